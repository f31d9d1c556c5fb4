#!/usr/bin/env bash
# The Windows Installer package under Wine's own msiexec, in a prefix and a display of the
# test's own, with stand-in start-up programs in the machine's and the user's Run keys and one
# StartUp shortcut. Installed silently; a log-on; upgraded by a package of a higher version; a
# log-on. Then, on a copy of the machine as it is now, uninstalled silently and a last log-on;
# and on the other copy an uninstall while a held shortcut is open, which must fail and leave
# Tarnwick working, and a log-on. Last, on the uninstalled machine, installed into a folder
# outside Program Files while a StartUp shortcut is open, so that it stays with Windows.
#   msi_scenario.sh BUILD_DIR MSI PRODUCT_CODE VERSION UPGRADE_MSI UPGRADE_CODE UPGRADE_VERSION
#                   SAMPLE_EXE MKLINK_EXE HOLD_OPEN_EXE STAGE
set -euo pipefail
build=$1 msi=$2 code=$3 version=$4 upgrade=$5 upgrade_code=$6 upgrade_version=$7
sample=$8 mklink=$9 hold_open=${10} stage=${11}
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/scenario.sh"
scenario_start "$build/msi-scenario"

# msiexec ARGS...: Wine's msiexec, waited for; its whole exit code (wine's own is cut to a byte)
# in $rc and its time in $took.
msiexec() {
    local start
    start=$(date +%s.%N)
    logon_quiet wine cmd /v:on /c "msiexec $* & echo !errorlevel! >C:\\rc.txt" || true
    took=$(python3 -c "import time; print(f'{time.time() - $start:.1f}')")
    rc=$(tr -d '\r\n ' <"$drive/rc.txt")
}
value() {  # value KEY NAME: the data of one value, or nothing
    wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' |
        sed -n 's/^ \{4\}[^ ].* \{4\}REG_[A-Z_]* \{4\}//p'
}
key_exists() { logon_quiet wine reg query "$1"; }
key_absent() { ! key_exists "$1"; }
arp='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
entries() { wine reg query "$arp" /s </dev/null 2>/dev/null | tr -d '\r' | grep -c 'DisplayName    REG_SZ    Tarnwick$' || true; }
program="$drive/Program Files/Tarnwick"
# Windows Installer puts "all users" shortcuts in the common Start menu; Wine 8's resolves
# ProgramMenuFolder to the user's own even for a per-machine package (measured): either place
# counts, and the report says which.
menus=("$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarnwick"
       "$drive/users/$(whoami)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tarnwick")
menu_has() { [ -f "${menus[0]}/$1" ] || [ -f "${menus[1]}/$1" ]; }
log_has() { grep -aqF "$2" "$drive/$1"; }
same_files() { diff <(cd "$stage" && find . -type f | sort) <(cd "$program" && find . -type f | sort) >/dev/null; }

add "HKLM\\$run" 'Cloud Sync' "$(stand_in 'C:\Program Files\Cloud Sync\CloudSync.exe' 'Cloud Sync')"
add "HKCU\\$run" 'Chat' "$(stand_in 'C:\users\Public\Chat\Chat.exe' 'Chat')"
shortcut Notes
everything=('Cloud Sync' Chat Notes)
expect_all() { local n; for n in "${everything[@]}"; do printf '"%s": "%s", ' "$n" "$1"; done; }

msiexec /i "$(winepath -w "$msi")" /qn /l*v 'C:\install.log'
echo "install: exit code $rc in $took s"
check "/i /qn returns 0" [ "$rc" = 0 ]
check "the program folder holds the package's files" same_files
check "Start menu: Tarnwick Settings" menu_has 'Tarnwick Settings.lnk'
check "Start menu: Uninstall Tarnwick" menu_has 'Uninstall Tarnwick.lnk'
[ -d "${menus[0]}" ] && echo "shortcuts in the common Start menu" || echo "shortcuts in the user's Start menu"
check "Apps & features: name" [ "$(value "$arp\\$code" DisplayName)" = Tarnwick ]
check "Apps & features: version" [ "$(value "$arp\\$code" DisplayVersion)" = "$version" ]
check "Apps & features: publisher" [ "$(value "$arp\\$code" Publisher)" = 'Mereval Software' ]
check "Apps & features: help link" [ "$(value "$arp\\$code" HelpLink)" = https://www.mereval.example/tarnwick ]
check "Apps & features: location" \
    [ "$(value "$arp\\$code" InstallLocation)" = 'C:\Program Files\Tarnwick\' ]
check "Apps & features: removed by Windows Installer" \
    [ "$(value "$arp\\$code" UninstallString)" = "MsiExec.exe /X$code" ]
check "no Apps & features entry of the setup program's" key_absent "$arp\\Tarnwick"
check "the launcher is registered" \
    [ "$(value "HKLM\\$run" Veltane)" = '"C:\Program Files\Tarnwick\Tarnwick.exe"' ]
check "the machine's Run value is taken over" [ -z "$(value "HKLM\\$run" 'Cloud Sync')" ]
check "the user's Run value is taken over" [ -z "$(value "HKCU\\$run" Chat)" ]
check "the log says the take-over is done" log_has install.log 'Tarnwick took over every start-up program.'

# Options of the user's own, which the upgrade must keep; also short delays for the log-ons.
add 'HKCU\Software\Veltane\misc' initTimeDelay 10
add 'HKCU\Software\Veltane\misc' TimeDelay 10
logon_run 1 "$logs"

msiexec /i "$(winepath -w "$upgrade")" /qn /l*v 'C:\upgrade.log'
echo "upgrade: exit code $rc in $took s"
check "the upgrade returns 0" [ "$rc" = 0 ]
check "one Apps & features entry" [ "$(entries)" = 1 ]
check "it is the new version's" [ "$(value "$arp\\$upgrade_code" DisplayVersion)" = "$upgrade_version" ]
check "the old version's entry is gone" key_absent "$arp\\$code"
check "the options are kept" [ "$(value 'HKCU\Software\Veltane\misc' TimeDelay)" = 10 ]
check "the program folder holds the package's files" same_files
logon_run 2 "$logs"

# The machine as it is now, for the failed uninstall below.
logon_quiet wineserver -k || true
logon_quiet wineserver -w || true
other="$work/prefix-held"
rm -rf "$other"
cp -a "$WINEPREFIX" "$other"

msiexec /x "$upgrade_code" /qn /l*v 'C:\uninstall.log'
echo "uninstall: exit code $rc in $took s"
check "/x /qn returns 0" [ "$rc" = 0 ]
check "the program folder is gone" [ ! -e "$program" ]
check "the Start-menu group is gone" [ ! -e "${menus[0]}" -a ! -e "${menus[1]}" ]
check "no Apps & features entry" [ "$(entries)" = 0 ]
check "the launcher is no longer registered" [ -z "$(value "HKLM\\$run" Veltane)" ]
check "the package's own key is gone" key_absent 'HKLM\Software\Tarnwick'
# The store is not the package's: an account's options outlive the package.
check "the user's options stay" [ "$(value 'HKCU\Software\Veltane\misc' TimeDelay)" = 10 ]
check "the launcher's held shortcut is back" \
    [ -z "$(find "$drive" -name Notes.lnk -not -path '*/Start Menu/*')" ]
check "the machine's Run value is back" [ -n "$(value "HKLM\\$run" 'Cloud Sync')" ]
check "the user's Run value is back" [ -n "$(value "HKCU\\$run" Chat)" ]
logon_run 3 "$logs"

# The other copy: Notes' shortcut, held by Tarnwick, is open in another program.
logon_quiet wineserver -k || true
logon_quiet wineserver -w || true
held_copy="$work/prefix-uninstalled"
rm -rf "$held_copy"
mv "$WINEPREFIX" "$held_copy"
mv "$other" "$WINEPREFIX"
# Log-on 3 happened on the machine just put aside.
grep "^3	" "$held_copy/drive_c/logon-logs/starts.txt" >>"$logs/starts.txt" || true
logon_quiet wine cmd /c exit
notes=$(find "$drive" -name Notes.lnk -not -path '*/Start Menu/*' -print -quit)
check "Tarnwick holds Notes' shortcut" [ -n "$notes" ]
wine "$hold_open" "$(winepath -w "$notes")" </dev/null >/dev/null 2>&1 &
holder=$!
for _ in $(seq 100); do [ -e "$notes.held" ] && break; sleep 0.1; done
msiexec /x "$upgrade_code" /qn /l*v 'C:\held.log'
touch "$notes.release"
wait "$holder" || true
rm -f "$notes.held" "$notes.release"
echo "uninstall with a held shortcut open: exit code $rc in $took s"
# Windows Installer reports a failed custom action as 1603; Wine 8's msiexec as 1627 (measured).
check "the uninstall fails (1603, or 1627 from Wine)" [ "$rc" = 1603 -o "$rc" = 1627 ]
check "the log names what stayed held" log_has held.log 'could not give this start-up program back'
check "the log names the program" log_has held.log 'Notes'
check "the program folder is back" same_files
check "the launcher is still registered" \
    [ "$(value "HKLM\\$run" Veltane)" = '"C:\Program Files\Tarnwick\Tarnwick.exe"' ]
check "Start menu: Tarnwick Settings" menu_has 'Tarnwick Settings.lnk'
echo "Apps & features entries after the failed uninstall: $(entries)"
logon_run 4 "$logs"

# Back on the uninstalled machine.
logon_quiet wineserver -k || true
logon_quiet wineserver -w || true
rm -rf "$held_copy.tmp"
mv "$WINEPREFIX" "$held_copy.tmp"
mv "$held_copy" "$WINEPREFIX"
starts=$(cat "$held_copy.tmp/drive_c/logon-logs/starts.txt")
logon_quiet wine cmd /c exit
startup_notes=$(find "$drive" -path '*/Start Menu/Programs/StartUp/Notes.lnk' -print -quit)
wine "$hold_open" "$(winepath -w "$startup_notes")" </dev/null >/dev/null 2>&1 &
holder=$!
for _ in $(seq 100); do [ -e "$startup_notes.held" ] && break; sleep 0.1; done
start=$(date +%s.%N)
# Wine's trace of the security calls shows the folder's permissions being set.
WINEDEBUG=trace+advapi wine cmd /v:on /c \
    "msiexec /i $(winepath -w "$msi") INSTALLDIR=C:\Apps\Tarnwick /qn /l*v C:\apps.log & echo !errorlevel! >C:\rc.txt" \
    </dev/null >/dev/null 2>"$work/trace-apps.txt" || true
rc=$(tr -d '\r\n ' <"$drive/rc.txt")
touch "$startup_notes.release"
wait "$holder" || true
rm -f "$startup_notes.held" "$startup_notes.release"
echo "install into C:\Apps\Tarnwick with a StartUp shortcut open: exit code $rc"
check "an install that leaves a program with Windows returns 0" [ "$rc" = 0 ]
check "its log says which stayed" log_has apps.log 'Tarnwick is installed.'
check "its log names it" log_has apps.log 'Notes'
program="$drive/Apps/Tarnwick"
check "the files are in INSTALLDIR" same_files
check "the folder outside Program Files is given its permissions" \
    grep -qF 'trace:advapi:SetNamedSecurityInfoW L"C:\\Apps\\Tarnwick" 1 -2147483643 ' \
    "$work/trace-apps.txt"
check "the launcher is registered from there" \
    [ "$(value "HKLM\\$run" Veltane)" = '"C:\Apps\Tarnwick\Tarnwick.exe"' ]
msiexec /x "$code" /qn /l*v 'C:\\apps-x.log'
check "and /x removes it again" [ "$rc" = 0 -a ! -e "$program" ]
echo "$starts" >"$logs/starts.txt"

PYTHONPATH="$root/scripts" python3 - "$logs/starts.txt" "$failures" <<PY
import sys
from logon_starts import check_starts
expected = {
    1: {$(expect_all Tarnwick)},
    2: {$(expect_all Tarnwick)},
    3: {$(expect_all Windows)},
    # What could be given back is with Windows; Tarnwick still starts what it holds.
    4: {"Cloud Sync": "Windows", "Chat": "Windows", "Notes": "Tarnwick"},
}
checks, failures = check_starts(sys.argv[1], expected)
failures += int(sys.argv[2])
print(f"{failures} failed")
sys.exit(1 if failures else 0)
PY
