#!/usr/bin/env bash
# Pictures of the launcher's window to look at: at the start of its sequence ("0%"), after its
# first start, with the pointer resting on a button (its tooltip), and with the keyboard's focus
# on a button. Runs the built program
# under the build tree's private Wine prefix and its own Xvfb display.
#   BUILD_DIR=build/<yours> [DPI=144] [HC=1] launcher/tests/screenshots.sh [output folder]
# DPI sets the system's DPI (and a screen as much larger); HC=1 sets a high-contrast colour scheme
# and has the program treat high contrast as on, which Wine cannot switch on itself.
# BUILD_DIR is required: the run replaces that tree's Wine prefix and ends its server.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${BUILD_DIR:?set BUILD_DIR to your own build tree}" && pwd)
out=$(mkdir -p "${1:-$build/screenshots}" && cd "${1:-$build/screenshots}" && pwd)
dpi=${DPI:-96}

. "$root/scripts/wine-env.sh"
wine_env_fixed_layout "$0" "$@"
if [ -n "${DPI:-}" ]; then export TARNWICK_SCREEN="$((1280 * DPI / 96))x$((1024 * DPI / 96))"; fi
wine_env_start "$build"
trap wine_env_stop EXIT
# Where the setup program puts it, inside the prefix, which goes with the run.
folder='C:\Program Files\Tarnwick'
program="$WINEPREFIX/drive_c/Program Files/Tarnwick"
mkdir -p "$program/logs"
cp "$build/launcher/Tarnwick.exe" "$build/demo/tw_sample.exe" "$program/"

quiet() { "$@" </dev/null >/dev/null 2>&1; }
if [ -n "${DPI:-}" ]; then
    quiet wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DPI" /f
fi
if [ -n "${HC:-}" ]; then
    "$root/scripts/high-contrast.sh"
    export TARNWICK_HIGH_CONTRAST=1
fi
# A second's wait, then a start every two seconds: the first at 3 s, the second at 5 s.
misc='HKCU\Software\Veltane\misc'
quiet wine reg add "$misc" /v initTimeDelay /d 10 /f
quiet wine reg add "$misc" /v TimeDelay /d 20 /f
for name in 'Mail Checker' 'Cloud Sync' 'Notes'; do
    quiet wine reg add 'HKCU\Software\Veltane\HKEY_CURRENT_USER' /v "$name" \
        /d "\"$folder\\tw_sample.exe\" \"$name\" \"$folder\\logs\" --hidden" /f
done

# The window and what lies below it (the tooltip), with a margin, from the whole screen: the
# launcher's window is a pop-up of its own, its tooltip another.
shot() {
    local x y w h
    eval "$(xdotool getwindowgeometry --shell "$id")"
    x=$((X > 20 ? X - 20 : 0)) y=$((Y > 20 ? Y - 20 : 0))
    w=$((WIDTH + 40)) h=$((HEIGHT + 40 + 40 * dpi / 96))
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$1.png"
    echo "$out/$1.png"
}

xdotool mousemove 0 "$((1000 * dpi / 96))"
wine "$program/Tarnwick.exe" </dev/null >/dev/null 2>&1 &
pid=$!
id=""
for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name '^Tarnwick$' 2>/dev/null | head -1) && [ -n "$id" ] && break
    sleep 0.1
done
[ -n "$id" ] || { echo "no launcher window" >&2; kill "$pid"; exit 1; }
sleep 0.5
shot launcher-start
sleep 3
shot launcher-first-start
# The pointer on the pause button, in the middle of the button row (145 to 400 twips).
eval "$(xdotool getwindowgeometry --shell "$id")"
xdotool mousemove "$((X + WIDTH / 6))" "$((Y + 272 * dpi / 1440))"
sleep 1.5
shot launcher-tooltip
# A click on the "Loading" line activates the window; Tab then puts the focus on the pause button.
xdotool mousemove "$((X + WIDTH / 2))" "$((Y + 560 * dpi / 1440))" click 1
sleep 0.3
xdotool key Tab
sleep 0.5
shot launcher-focus
kill "$pid"
wait "$pid" || true
