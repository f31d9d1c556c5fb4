#!/usr/bin/env bash
# Seven log-ons through Wine's own log-on processing, in a prefix of the test's own, with
# stand-in start-up programs at the places real ones live: two in the machine's 32-bit view,
# three that write their Run value again each time they start, one added between two log-ons,
# two StartUp shortcuts. Installed with the setup program; three log-ons; switched off in
# Tarnwick Settings while the launcher runs (Disabled, Save); a log-on; the settings window
# opened and cancelled; a log-on; switched on again; a log-on; uninstalled; a last log-on.
# Every program must start exactly once per log-on; while Tarnwick holds it, never with Windows;
# switched off or uninstalled, each starts with Windows from its own key and view. On the way: a planted "C:\Program.exe" that an unquoted
# launcher path would run instead of the launcher, and at the second log-on two launchers at once
# (a per-user value that starts it too) with the launcher's own value spelt in capitals.
#   logon_cycle.sh BUILD_DIR SETUP_EXE SAMPLE_EXE MKLINK_EXE PRESS_EXE
set -euo pipefail
build=$1 setup=$2 sample=$3 mklink=$4 press=$5
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/scenario.sh"
scenario_start "$build/logon-cycle"

add "HKLM\\$run" 'Cloud Sync' "$(stand_in 'C:\Program Files\Cloud Sync\CloudSync.exe' 'Cloud Sync' --rewrite-run HKLM '"Cloud Sync"')"
add "HKLM\\$run32" 'Updater' "$(stand_in 'C:\Program Files (x86)\Vendor\Updater.exe' 'Updater')"
add "HKLM\\$run32" 'Game Launcher' "$(stand_in 'C:\Program Files (x86)\Games\launcher.exe' 'Game Launcher' --rewrite-run HKLM32 '"Game Launcher"')"
add "HKCU\\$run" 'Chat' "$(stand_in 'C:\users\Public\AppData\Chat\Chat.exe' 'Chat' --rewrite-run HKCU Chat)"
add "HKCU\\$run" 'Music' "$(stand_in 'C:\Program Files\Music\Music.exe' 'Music')"
shortcut Notes
shortcut Backup

logon_install "$setup"
# One second before the first program and one between programs keep the log-ons short.
add 'HKCU\Software\Veltane\misc' initTimeDelay 10
add 'HKCU\Software\Veltane\misc' TimeDelay 10

cp "$sample" "$drive/Program.exe"
logon_run 1 "$logs"
add "HKCU\\$run" 'New Tool' "$(stand_in 'C:\Tools\newtool.exe' 'New Tool')"
launcher=$(wine reg query "HKLM\\$run" /v Veltane </dev/null 2>/dev/null | sed -n 's/.*REG_SZ \{4\}//p' | tr -d '\r')
logon_quiet wine reg delete "HKLM\\$run" /v Veltane /f
add "HKLM\\$run" VELTANE "$launcher"
add "HKCU\\$run" 'Tarnwick too' "$launcher"
logon_run 2 "$logs"
logon_quiet wine reg delete "HKCU\\$run" /v 'Tarnwick too' /f
logon_run 3 "$logs"

settings='C:\Program Files\Tarnwick\TarnwickSettings.exe'
# settings BUTTON_ID...: opens Tarnwick Settings and presses the buttons in turn, as a user does;
# the last one (Save or Cancel) closes it. Posted clicks are handled in order.
settings() {
    wine "$settings" </dev/null >/dev/null 2>&1 &
    local window=$! id
    for id in "$@"; do logon_quiet wine "$press" '#32770' 'Tarnwick Settings' "$id"; done
    wait "$window" || true
}
switch=1027 save=1 cancel=2
# Once the launcher's sequence is under way (its first program has noted its start), not before
# its list is built: switched off that early, nothing of this log-on is held any more.
switch_off() {
    local i
    for i in $(seq 100); do
        ls "$logs"/*.txt 2>/dev/null | grep -qv '/starts\.txt$' && break
        sleep 0.1
    done
    settings $switch $save
}
logon_run 4 "$logs" switch_off
launcher_after_off=$(wine reg query "HKLM\\$run" /v Veltane </dev/null 2>/dev/null | grep -c REG_SZ || true)
logon_run 5 "$logs"
settings $cancel
logon_run 6 "$logs"
settings $switch $save
logon_run 7 "$logs"

( wine "$press" '#32770' 'Are you sure you want to uninstall?' 1002 </dev/null >/dev/null 2>&1
  wine "$press" '#32770' 'Confirm folder deletion' 6 </dev/null >/dev/null 2>&1 ) &
presser=$!
logon_quiet wine 'C:\Program Files\Tarnwick\uninstall.exe'
wait "$presser" || true
logon_run 8 "$logs"

held() { wine reg query "$1" </dev/null 2>/dev/null | sed -n 's/^ \{4\}\([^ ].*\) \{4\}REG_SZ .*/\1/p' | sort | paste -sd, -; }
echo "after the uninstall: HKLM Run [$(held "HKLM\\$run")] HKLM 32-bit Run [$(held "HKLM\\$run32")]" \
     "HKCU Run [$(held "HKCU\\$run")] StartUp [$(ls "$(dirname "$logs")/users/"*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/StartUp 2>/dev/null | sort | paste -sd, -)]" \
    >"$work/after.txt"

[ -e "$drive/Program.exe.ran" ] && echo "planted" >>"$work/after.txt"
echo "launcher value: $launcher" >>"$work/after.txt"
echo "registered after the switch to Disabled: $launcher_after_off" >>"$work/after.txt"

PYTHONPATH="$root/scripts" python3 - "$logs/starts.txt" "$work/after.txt" <<'PY'
import sys
from logon_starts import check_starts
held = ["Cloud Sync", "Updater", "Game Launcher", "Chat", "Music", "Notes", "Backup"]
everything = held + ["New Tool"]
expected = {
    1: {name: "Tarnwick" for name in held},
    2: {**{name: "Tarnwick" for name in held}, "New Tool": "Windows"},
    3: {name: "Tarnwick" for name in everything},
    # Switched off while the launcher ran: it finishes what it began, and takes nothing back.
    4: {name: "Tarnwick" for name in everything},
    5: {name: "Windows" for name in everything},
    # The settings window opened and cancelled while switched off takes nothing.
    6: {name: "Windows" for name in everything},
    # Switched on again: everything in Tarnwick's keeping at once.
    7: {name: "Tarnwick" for name in everything},
    # Uninstalled.
    8: {name: "Windows" for name in everything},
}
checks, failures = check_starts(sys.argv[1], expected)
after = open(sys.argv[2], encoding="utf-8").read().strip()
print(after)
checks += 1
want = ("HKLM Run [Cloud Sync] HKLM 32-bit Run [Game Launcher,Updater] "
        "HKCU Run [Chat,Music,New Tool] StartUp [Backup.lnk,Notes.lnk]")
if want not in after:
    print(f"  FAILED: after the uninstall expected {want}")
    failures += 1
checks += 3
if "registered after the switch to Disabled: 0" not in after:
    print("  FAILED: the launcher registered itself again after the switch to Disabled")
    failures += 1
if "planted" in after:
    print("  FAILED: the planted C:\\Program.exe ran")
    failures += 1
if 'launcher value: "C:\\Program Files\\Tarnwick\\Tarnwick.exe"' not in after:
    print("  FAILED: the launcher's value is not its quoted path")
    failures += 1
print(f"{checks - failures} passed, {failures} failed")
sys.exit(1 if failures else 0)
PY
