#!/usr/bin/env bash
# Pictures of the settings window to look at: with an empty store and with 20 entries. Runs the
# built program under the build tree's private Wine prefix and its own Xvfb display.
#   BUILD_DIR=build/<yours> settings/tests/screenshots.sh [output folder]
# BUILD_DIR is required: the run replaces that tree's Wine prefix and ends its server.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${BUILD_DIR:?set BUILD_DIR to your own build tree}" && pwd)
out=$(mkdir -p "${1:-$build/screenshots}" && cd "${1:-$build/screenshots}" && pwd)

. "$root/scripts/wine-env.sh"
wine_env_start "$build"
program=$(mktemp -d "$build/screenshot-program.XXXXXX")
trap 'wine_env_stop; rm -rf "$program"' EXIT
cp "$build/settings/TarnwickSettings.exe" "$program/"
[ -f "$root/launcher/res/twlogo.jpg" ] && cp "$root/launcher/res/twlogo.jpg" "$program/"

held='HKCU\Software\Veltane\HKEY_LOCAL_MACHINE'
quiet() { "$@" </dev/null >/dev/null 2>&1; }

# Opens the window, waits for it, photographs it and ends the program.
shoot() {
    wine "$program/TarnwickSettings.exe" </dev/null >/dev/null 2>&1 &
    local pid=$! id=""
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name '^Tarnwick Settings$' 2>/dev/null | head -1) && [ -n "$id" ] && break
        sleep 0.1
    done
    [ -n "$id" ] || { echo "no window" >&2; kill "$pid"; return 1; }
    # Wine may replace the X window while the dialog opens: look it up again once it has settled.
    sleep 1
    id=$(xdotool search --onlyvisible --name '^Tarnwick Settings$' | head -1)
    import -window "$id" "$out/$1.png"
    kill "$pid"
    wait "$pid" || true
    echo "$out/$1.png"
}

quiet wine reg delete 'HKCU\Software\Veltane' /f || true
shoot settings-empty

for i in $(seq 1 17); do
    quiet wine reg add "$held" /v "Program $((100 + i))" /d "C:\\Program Files\\Vendor $i\\program$i.exe --start-minimised --profile=default" /f
done
for name in "Mail Checker" "Cloud Sync" "Printer Helper"; do : >"$program/$name.lnk"; done
shoot settings-20
