#!/usr/bin/env bash
# Pictures of the settings window and its about box to look at: with each shipped skin, with skins
# off, without the product's data files, and with 20 entries. Runs the built program under the
# build tree's private Wine prefix and its own Xvfb display.
#   BUILD_DIR=build/<yours> [DPI=144] [HC=1] settings/tests/screenshots.sh [output folder]
# DPI sets the system's DPI (and a screen as much larger); HC=1 sets a high-contrast colour scheme
# and has the program treat high contrast as on, which Wine cannot switch on itself.
# BUILD_DIR is required: the run replaces that tree's Wine prefix and ends its server.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${BUILD_DIR:?set BUILD_DIR to your own build tree}" && pwd)
out=$(mkdir -p "${1:-$build/screenshots}" && cd "${1:-$build/screenshots}" && pwd)

. "$root/scripts/wine-env.sh"
wine_env_fixed_layout "$0" "$@"
if [ -n "${DPI:-}" ]; then export TARNWICK_SCREEN="$((1280 * DPI / 96))x$((1024 * DPI / 96))"; fi
wine_env_start "$build"
program=$(mktemp -d "$build/screenshot-program.XXXXXX")
trap 'wine_env_stop; rm -rf "$program"' EXIT
cp "$build/settings/TarnwickSettings.exe" "$program/"

misc='HKCU\Software\Veltane\misc'
held='HKCU\Software\Veltane\HKEY_LOCAL_MACHINE'
quiet() { "$@" </dev/null >/dev/null 2>&1; }

# Waits for a visible window of that exact title; prints its X id.
window() {
    local id=""
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$id" ] && break
        sleep 0.1
    done
    [ -n "$id" ] || { echo "no window \"$1\"" >&2; return 1; }
    # Wine may replace the X window while the dialog opens: look it up again once it has settled.
    sleep 1
    xdotool search --onlyvisible --name "^$1\$" | head -1
}

# Opens the settings window, presses the keys given after the picture's name (if any), and
# photographs it, then its about box (Alt+A), then ends it.
shoot() {
    wine "$program/TarnwickSettings.exe" </dev/null >/dev/null 2>&1 &
    local pid=$! id about
    id=$(window 'Tarnwick Settings') || { kill "$pid"; return 1; }
    if [ $# -gt 1 ]; then
        xdotool windowfocus --sync "$id" key "${@:2}"
        sleep 0.5
    fi
    import -window "$id" "$out/$1.png"
    echo "$out/$1.png"
    xdotool windowfocus --sync "$id" key alt+a
    about=$(window 'About Tarnwick') || { kill "$pid"; return 1; }
    import -window "$about" "$out/$1-about.png"
    echo "$out/$1-about.png"
    kill "$pid"
    wait "$pid" || true
}

if [ -n "${DPI:-}" ]; then
    quiet wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DPI" /f
fi
if [ -n "${HC:-}" ]; then
    "$root/scripts/high-contrast.sh"
    export TARNWICK_HIGH_CONTRAST=1
fi
quiet wine reg delete 'HKCU\Software\Veltane' /f || true
shoot no-data

cp -r "$root/settings/data/skins" "$program/"
cp "$root/launcher/res/twlogo.jpg" "$root/settings/data/TARNWICK.HTM" "$program/"
skins=$(grep -c . "$program/skins/skins.skn")
for i in $(seq 0 $((skins - 1))); do
    quiet wine reg add "$misc" /v Back /d True /f
    quiet wine reg add "$misc" /v skin /d "$i" /f
    shoot "skin-$i"
done
quiet wine reg add "$misc" /v Back /d False /f
shoot skins-off

quiet wine reg add "$misc" /v Back /d True /f
quiet wine reg add "$misc" /v skin /d 0 /f
for i in $(seq 1 17); do
    quiet wine reg add "$held" /v "Program $((100 + i))" /d "C:\\Program Files\\Vendor $i\\program$i.exe --start-minimised --profile=default" /f
done
for name in "Mail Checker" "Cloud Sync" "Printer Helper"; do : >"$program/$name.lnk"; done
shoot entries-20

# What the launcher measured: each impact word once or more, programs it never measured, and the
# last log-on; the second row selected, with a wait of its own.
impact='HKCU\Software\Veltane\impact'
quiet wine reg add "$impact" /v "Program 101" /d "1500,0,0,-,0;1200,0,0,800,0" /f
quiet wine reg add "$impact" /v "Program 102" /d "40,20000,1000,300,0" /f
quiet wine reg add "$impact" /v "Program 103" /d "500,100000,0,-,0" /f
quiet wine reg add "$impact" /v "Program 104" /d "20,4000000,0,-,1" /f
quiet wine reg add "$impact" /v "Mail Checker" /d "10,0,0,-,0" /f
last='HKCU\Software\Veltane\lastlogon'
quiet wine reg add "$last" /v 0 /d "1000||1500,0,0,-,0|Program 101" /f
quiet wine reg add "$last" /v 1 /d "5000||40,20000,1000,300,0|Program 102" /f
quiet wine reg add "$last" /v load /d "" /f
quiet wine reg add "$last" /v idle /d False /f
quiet wine reg add "$last" /v span /d 48000 /f
quiet wine reg add "$last" /v programs /d 2 /f
quiet wine reg add "$last" /v when /d 134412793200000000 /f
quiet wine reg add 'HKCU\Software\Veltane\wait' /v "Program 102" /d 30 /f
shoot impacts Down Down

# Tarnwick switched off in Task Manager: the opening's message over the window, the whole screen.
quiet wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run' \
    /v Veltane /t REG_BINARY /d 030000000000000000000000 /f
wine "$program/TarnwickSettings.exe" </dev/null >/dev/null 2>&1 &
pid=$!
window 'Tarnwick Settings' >/dev/null || { kill "$pid"; exit 1; }
sleep 1
import -window root "$out/switched-off.png"
echo "$out/switched-off.png"
kill "$pid"
wait "$pid" || true

# Options an administrator sets with Group Policy, the switch locked among them: greyed, with
# "Set by your administrator." beside them. The policies go again afterwards.
policies='HKLM\Software\Policies\Veltane\Tarnwick'
quiet wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run' \
    /v Veltane /f || true
for value in TimeDelay:12 initTimeDelay:7 AutoHide:1 Visible:0 WaitIdle:1 LockSwitch:1; do
    quiet wine reg add "$policies" /v "${value%%:*}" /t REG_DWORD /d "${value#*:}" /f
done
shoot policies
quiet wine reg delete "$policies" /f
