#!/usr/bin/env bash
# The program folder's permissions as the setup program and install.exe set them, in a prefix and
# a display of the test's own, seen in Wine's trace of the calls (WINEDEBUG=+pid,trace+advapi,
# trace+file): Wine accepts the DACL but keeps only what the Unix mode can show, so the trace is
# where the call itself is seen. A folder outside Program Files gets Administrators as its owner
# and the protected DACL (flags -2147483643: OWNER | DACL | PROTECTED_DACL) from both programs,
# before the setup writes any file into it; the default folder below Program Files keeps what it
# inherits. Where the permissions cannot be set (a world-writable folder made immutable with
# chattr, so that Wine cannot change its mode), install.exe and the setup do nothing at all, and
# install.exe says why in a box that is photographed into BUILD_DIR/screenshots.
#   permissions_scenario.sh BUILD_DIR SETUP_EXE INSTALL_EXE PRESS_EXE
set -euo pipefail
build=$1 setup=$2 install=$3 press=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/scenario.sh"
scenario_start "$build/permissions-scenario"
shots="$build/screenshots"
mkdir -p "$shots"

# Runs a Windows program with Wine's trace of security and file calls in FILE; prints its exit
# code.
traced() {
    local file=$1 code=0
    shift
    WINEDEBUG=+pid,trace+advapi,trace+file wine "$@" </dev/null >/dev/null 2>"$file" || code=$?
    echo "$code"
}
# The trace lines of SetNamedSecurityInfoW for one folder, as Wine prints the path.
set_calls() { grep -F "trace:advapi:SetNamedSecurityInfoW L\"$2\" 1 -2147483643 " "$1" || true; }
line_of() { grep -n -F -m1 "$2" "$1" | cut -d: -f1; }
registered() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v Veltane \
        </dev/null >/dev/null 2>&1 ||
        wine reg query 'HKCU\Software\Veltane' </dev/null >/dev/null 2>&1 ||
        wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick' \
            </dev/null >/dev/null 2>&1
}
nothing_registered() { ! registered; }
equal() { [ "$1" = "$2" ]; }

# World-writable folders whose mode nobody can change: no way for Wine to set their permissions.
locked=("$drive/Shared" "$drive/Locked")
unlock() { chattr -i "${locked[@]}" 2>/dev/null || true; }
trap 'unlock; logon_end; wine_env_display_stop' EXIT
mkdir -p "${locked[@]}"
cp "$install" "$drive/Shared/install.exe"
chmod 777 "${locked[@]}"
if chattr +i "${locked[@]}" 2>/dev/null; then
    code=$(TARNWICK_SILENT_SETUP=1 traced "$work/trace-shared.txt" 'C:\Shared\install.exe')
    check "install.exe in a folder whose permissions cannot be set ends with 2 (got $code)" \
        equal "$code" 2
    check "install.exe asked for the permissions of its folder" \
        test -n "$(set_calls "$work/trace-shared.txt" 'C:\\Shared')"
    check "install.exe took nothing over and registered nothing" nothing_registered

    # Shown: the box names the folder; OK ends the program with the same code.
    wine 'C:\Shared\install.exe' </dev/null >/dev/null 2>&1 &
    shown=$!
    window=""
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name '^Tarnwick Not Installed$' 2>/dev/null |
            head -1) && [ -n "$window" ] && break
        sleep 0.1
    done
    check "install.exe shows why it installed nothing" test -n "$window"
    if [ -n "$window" ]; then
        sleep 1
        import -window "$window" "$shots/install-not-installed.png"
    fi
    logon_quiet wine "$press" '#32770' 'Tarnwick Not Installed' 1 5000 || true
    code=0
    wait "$shown" || code=$?
    check "install.exe ends with 2 once its box is answered (got $code)" equal "$code" 2
    check "still nothing registered" nothing_registered

    code=$(traced "$work/trace-locked.txt" "$setup" /S '/D=C:\Locked')
    check "the setup into a folder whose permissions cannot be set ends with 2 (got $code)" \
        equal "$code" 2
    check "the setup asked for the permissions of that folder" \
        test -n "$(set_calls "$work/trace-locked.txt" 'C:\\Locked')"
    check "the setup registered nothing" nothing_registered
else
    echo "skipped: chattr +i is not possible here; a folder whose permissions cannot be set is" \
        "tested through the seam only"
fi
unlock

# A folder of its own outside Program Files: the setup sets the permissions before it writes its
# first file there, install.exe (another process) once more.
trace="$work/trace-own.txt"
code=$(traced "$trace" "$setup" /S '/D=C:\Tarnwick')
check "the setup into C:\\Tarnwick ends with 0 (got $code)" equal "$code" 0
calls=$(set_calls "$trace" 'C:\\Tarnwick')
echo "$calls" | sed 's/^/  /'
check "the setup and install.exe each set the permissions of C:\\Tarnwick" \
    equal "$(echo "$calls" | cut -d: -f1 | sort -u | wc -l)" 2
first_set=$(line_of "$trace" 'trace:advapi:SetNamedSecurityInfoW L"C:\\Tarnwick"')
first_file=$(line_of "$trace" 'trace:file:CreateFileW L"C:\\Tarnwick\\')
check "the permissions come before the first file (lines ${first_set:-none} < ${first_file:-none})" \
    test "${first_set:-0}" -gt 0 -a "${first_set:-0}" -lt "${first_file:-0}"
check "installed: the launcher starts at log-on" registered

# The default folder below Program Files keeps what it inherits.
trace="$work/trace-default.txt"
code=$(traced "$trace" "$setup" /S)
check "the setup into Program Files ends with 0 (got $code)" equal "$code" 0
check "nobody set the permissions of Program Files\\Tarnwick" \
    test -z "$(grep -F 'trace:advapi:SetNamedSecurityInfoW L"C:\\Program Files\\Tarnwick"' "$trace")"
check "installed there" test -f "$drive/Program Files/Tarnwick/Tarnwick.exe"

echo "$failures failed"
[ "$failures" -eq 0 ]
