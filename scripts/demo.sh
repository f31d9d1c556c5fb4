#!/usr/bin/env bash
# The main job, on this machine: a simulated log-on. Builds the launcher and the sample start-up
# programs, makes a throwaway Wine prefix, puts sample programs into both Run keys and the
# StartUp folder, and runs Tarnwick.exe with short delays on your display (on Xvfb when there is
# none). Prints a timeline of what started when and saves screenshots to the folder it names.
#   scripts/demo.sh [SCREENSHOT_FOLDER]     (BUILD_DIR chooses the build tree, default build/mingw)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/mingw}
shots=$(mkdir -p "${1:-$build/demo/screenshots}" && cd "${1:-$build/demo/screenshots}" && pwd)

"$root/scripts/setup.sh"
echo "demo: building Tarnwick.exe and the sample programs"
cmake --preset mingw -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target Tarnwick tw_sample tw_mklink >/dev/null

# Your display when there is one that answers; otherwise wine_env_start makes an Xvfb display.
if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    export TARNWICK_USE_DISPLAY=1
fi
. "$root/scripts/wine-env.sh"
echo "demo: a fresh Wine prefix in $build/demo/wine"
wine_env_start "$build/demo"
trap wine_env_stop EXIT
echo "demo: display $DISPLAY${TARNWICK_USE_DISPLAY:+ (yours)}"

folder='C:\Program Files\Tarnwick'
unix_folder="$WINEPREFIX/drive_c/Program Files/Tarnwick"
logs='C:\demo\logs'
mkdir -p "$unix_folder" "$WINEPREFIX/drive_c/demo/logs"
cp "$build/launcher/Tarnwick.exe" "$build/launcher/demo/tw_sample.exe" "$unix_folder/"
rm -f "$shots"/*.png

quiet() { "$@" </dev/null >/dev/null 2>&1; }
sample() { printf '"%s\\tw_sample.exe" "%s" %s --stay 9000' "$folder" "$1" "$logs"; }
run_key='Software\Microsoft\Windows\CurrentVersion\Run'

echo "demo: start-up programs as Windows would start them at log-on"
quiet wine reg add "HKLM\\$run_key" /v 'Mail Checker' /d "$(sample 'Mail Checker')" /f
quiet wine reg add "HKLM\\$run_key" /v 'Cloud Sync' /d "$(sample 'Cloud Sync') /background" /f
quiet wine reg add "HKCU\\$run_key" /v 'Chat' /d "$(sample 'Chat')" /f
quiet wine reg add "HKCU\\$run_key" /v 'Old Updater' /d '"C:\Program Files\Gone\updater.exe" /check' /f
startup=$(wine cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')'\Microsoft\Windows\Start Menu\Programs\StartUp'
quiet wine "$build/launcher/demo/tw_mklink.exe" "$startup\\Notes.lnk" "$folder\\tw_sample.exe" \
    "Notes $logs --stay 9000"
# Short delays: one second before the first program, then one every second.
quiet wine reg add 'HKCU\Software\Veltane\misc' /v initTimeDelay /d 10 /f
quiet wine reg add 'HKCU\Software\Veltane\misc' /v TimeDelay /d 10 /f
wine reg query "HKLM\\$run_key" </dev/null 2>/dev/null | sed -n 's/^ \{4\}/  HKLM Run: /p'
wine reg query "HKCU\\$run_key" </dev/null 2>/dev/null | sed -n 's/^ \{4\}/  HKCU Run: /p'
echo "  StartUp:  Notes.lnk"

echo "demo: log-on: Tarnwick.exe starts"
start=$(date +%s.%N)
wine "$folder\\Tarnwick.exe" </dev/null >/dev/null 2>&1 &
launcher=$!
shot() { sleep "$1"; import -window root "$shots/$2.png" 2>/dev/null || true; }
shot 0.6 01-window-at-start
shot 2.0 02-first-programs
shot 2.0 03-all-but-one
wait "$launcher" || true
end=$(date +%s.%N)
shot 0.5 04-after-the-launcher

echo "demo: timeline (seconds after Tarnwick.exe was started)"
python3 - "$start" "$end" "$WINEPREFIX/drive_c/demo/logs" <<'PY'
import os, sys
start, end, logs = float(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
EPOCH_DIFF = 11644473600  # seconds from 1601 (FILETIME) to 1970
rows = []
for name in os.listdir(logs):
    for line in open(os.path.join(logs, name), encoding="utf-8"):
        fields = dict(f.split("=", 1) for f in line.split(" cmd=")[0].split())
        created = int(fields["created"]) / 1e7 - EPOCH_DIFF
        rows.append((created - start, name[:-4], line.split(" cmd=", 1)[1].strip()))
print(f"  {0:6.2f} s  Tarnwick.exe started")
for t, name, cmd in sorted(rows):
    print(f"  {t:6.2f} s  {name:<13} {cmd}")
print(f"  {end - start:6.2f} s  Tarnwick.exe ended")
PY
if ! wine reg query 'HKCU\Software\Veltane\HKEY_CURRENT_USER' /v 'Old Updater' </dev/null >/dev/null 2>&1; then
    echo "  (Old Updater, whose program is gone, had its slot at about 5 s: quietly taken out of the store)"
fi
echo "demo: what Tarnwick keeps now"
wine reg query "HKLM\\$run_key" </dev/null 2>/dev/null | sed -n 's/^ \{4\}/  HKLM Run: /p'
wine reg query 'HKCU\Software\Veltane' /s </dev/null 2>/dev/null | sed -n 's/^HKEY_CURRENT_USER\\Software\\Veltane\\/  store section /p; s/^ \{4\}/    /p'
echo "  program folder: $(cd "$unix_folder" && ls | tr '\n' ' ')"
echo "demo: screenshots in $shots"
ls "$shots"
