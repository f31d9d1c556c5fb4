#!/usr/bin/env bash
# The main job, on this machine: Tarnwick installed by its setup program, then two log-ons as
# Windows does them. Builds the product and the sample start-up programs, makes a throwaway Wine
# prefix, puts sample programs where Windows starts them (both machine Run views, the user's Run
# key, the StartUp folder), installs, and logs on twice through Wine's own log-on processing on
# your display (on Xvfb when there is none). Prints, for each log-on, which program started when
# and who started it, and saves screenshots to the folder it names.
#   scripts/demo.sh [SCREENSHOT_FOLDER]     (BUILD_DIR chooses the build tree, default build/mingw)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
wine_env_fixed_layout "$0" "$@"
build=${BUILD_DIR:-$root/build/mingw}
shots=$(mkdir -p "${1:-$build/demo/screenshots}" && cd "${1:-$build/demo/screenshots}" && pwd)

"$root/scripts/setup.sh"
echo "demo: building Tarnwick, its setup program and the sample programs"
cmake --preset mingw -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target package_tarnwick tw_sample tw_mklink >/dev/null
setup=$(ls "$build"/package/TarnwickSetup-*.exe)

# Your display when there is one that answers; otherwise wine_env_start makes an Xvfb display.
if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    export TARNWICK_USE_DISPLAY=1
fi
. "$root/scripts/logon.sh"
echo "demo: a fresh Wine prefix in $build/demo/wine"
wine_env_start "$build/demo"
trap wine_env_stop EXIT
echo "demo: display $DISPLAY${TARNWICK_USE_DISPLAY:+ (yours)}"
rm -f "$shots"/*.png

drive="$WINEPREFIX/drive_c"
logs_win='C:\demo\logs'
logs="$drive/demo/logs"
mkdir -p "$logs"
run='Software\Microsoft\Windows\CurrentVersion\Run'
run32='Software\WOW6432Node\Microsoft\Windows\CurrentVersion\Run'
sample() { # WINDOWS_PATH NAME [EXTRA...]: the sample program copied there; prints its command
    local path=$1 name=$2 unix
    shift 2
    unix="$drive/${path#C:\\}"
    unix=${unix//\\//}
    mkdir -p "$(dirname "$unix")"
    cp "$build/demo/tw_sample.exe" "$unix"
    printf '"%s" "%s" %s --stay 3000%s' "$path" "$name" "$logs_win" "${*:+ $*}"
}
add() { logon_quiet wine reg add "$1" /v "$2" /d "$3" /f; }

echo "demo: start-up programs where Windows starts them at log-on"
add "HKLM\\$run" 'Mail Checker' "$(sample 'C:\Program Files\Mail\mailcheck.exe' 'Mail Checker')"
# Like many sync clients, this one writes its Run value again each time it starts.
add "HKLM\\$run" 'Cloud Sync' "$(sample 'C:\Program Files\Cloud Sync\sync.exe' 'Cloud Sync' \
    --rewrite-run HKLM '"Cloud Sync"')"
add "HKLM\\$run32" 'Updater' "$(sample 'C:\Program Files (x86)\Vendor\updater.exe' 'Updater')"
add "HKCU\\$run" 'Chat' "$(sample 'C:\Program Files\Chat\chat.exe' 'Chat')"
startup=$(wine cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')'\Microsoft\Windows\Start Menu\Programs\StartUp'
sample 'C:\Program Files\Notes\notes.exe' Notes >/dev/null
logon_quiet wine "$build/demo/tw_mklink.exe" "$startup\\Notes.lnk" \
    'C:\Program Files\Notes\notes.exe' "Notes $logs_win --stay 3000"
wine reg query "HKLM\\$run" </dev/null 2>/dev/null | sed -n 's/^ \{4\}/  HKLM Run:        /p'
wine reg query "HKLM\\$run32" </dev/null 2>/dev/null | sed -n 's/^ \{4\}/  HKLM 32-bit Run: /p'
wine reg query "HKCU\\$run" </dev/null 2>/dev/null | sed -n 's/^ \{4\}/  HKCU Run:        /p'
echo "  StartUp:         Notes.lnk"

echo "demo: installing with $(basename "$setup") /S"
logon_install "$setup"
# Short delays, so the demo is short: one second before the first program, then one a second.
add 'HKCU\Software\Veltane\misc' initTimeDelay 10
add 'HKCU\Software\Veltane\misc' TimeDelay 10
# The launcher takes what Windows started only 10 s after its own start; 4 s do here.
export TARNWICK_SETTLE_MS=4000
echo "demo: what Windows starts at log-on now"
wine reg query "HKLM\\$run" </dev/null 2>/dev/null | sed -n 's/^ \{4\}/  HKLM Run:        /p'
echo "demo: a program installed after Tarnwick adds itself to the user's Run key"
add "HKCU\\$run" 'Game Launcher' "$(sample 'C:\Games\launcher.exe' 'Game Launcher')"

timeline() {
    echo "demo: log-on $1, seconds after the log-on began"
    awk -F'\t' -v n="$1" '$1 == n { printf "  %6.2f s  %-13s started by %s\n", $4, $2, $3 }' \
        "$logs/starts.txt" | sort -n
}
shooters=()
shoot() { # NAME at SECONDS after the log-on began, in the background
    (sleep "$2"; import -window root "$shots/$1.png" 2>/dev/null || true) &
    shooters+=($!)
}
shoot 01-logon-1-window 2.5
shoot 02-logon-1-programs 5.5
logon_run 1 "$logs"
timeline 1
shoot 03-logon-2-window 2.5
logon_run 2 "$logs"
timeline 2
wait "${shooters[@]}"
echo "demo: Windows started the new Game Launcher at the first log-on, and Tarnwick took it over"
echo "      afterwards; from the second log-on on, Tarnwick starts every program once, one after"
echo "      another. Cloud Sync wrote its Run value again at each start and was taken back each time."
echo "demo: what Tarnwick keeps now"
wine reg query "HKLM\\$run" </dev/null 2>/dev/null | sed -n 's/^ \{4\}/  HKLM Run: /p'
# The machine's store holds the programs every account's log-on starts; the account's own, its own.
for hive in HKLM HKCU; do
    wine reg query "$hive\\Software\\Veltane" /s </dev/null 2>/dev/null |
        sed -n "s/^HKEY_[A-Z_]*\\\\Software\\\\Veltane\\\\/  $hive store section /p; s/^ \{4\}/    /p"
done
echo "demo: screenshots in $shots"
ls "$shots"
