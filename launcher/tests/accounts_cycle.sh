#!/usr/bin/env bash
# Two accounts of one machine, through Wine's own log-on processing in a prefix of the test's own.
# Wine has one user, but an account is its user.reg and its profile folder: with the server
# stopped, the test keeps one pair aside for each account and puts the other in place, and each
# swap is a log-off and a log-on of another account on the same machine (system.reg and Program
# Files are the machine's and stay). Account A installs Tarnwick with two machine-wide programs
# (one in each registry view), a program of its own and a shortcut of its own. Account B, which
# never saw the setup, has a program and a shortcut of its own. Log-ons: A, B, B, A, B. Every
# machine-wide program starts once at every log-on of either account, delayed by Tarnwick; B's own
# start with Windows at B's first log-on and with Tarnwick from then on; neither account ever
# starts the other's.
#   accounts_cycle.sh BUILD_DIR SETUP_EXE SAMPLE_EXE MKLINK_EXE
set -euo pipefail
build=$1 setup=$2 sample=$3 mklink=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/scenario.sh"
scenario_start "$build/accounts-cycle"
mkdir -p "$work/accounts"
users_dir=$(cd "$drive/users" && ls -d */ | grep -v '^Public/' | head -1)
users_dir=${users_dir%/}

# An account, as the prefix holds it: user.reg and the profile folder.
account_save() {
    logon_quiet wineserver -k || true
    logon_quiet wineserver -w || true
    rm -rf "$work/accounts/$1"
    mkdir -p "$work/accounts/$1"
    cp -a "$WINEPREFIX/user.reg" "$work/accounts/$1/user.reg"
    cp -a "$drive/users/$users_dir" "$work/accounts/$1/profile"
}
account_use() {
    logon_quiet wineserver -k || true
    logon_quiet wineserver -w || true
    cp -a "$work/accounts/$1/user.reg" "$WINEPREFIX/user.reg"
    rm -rf "${drive:?}/users/$users_dir"
    cp -a "$work/accounts/$1/profile" "$drive/users/$users_dir"
}
# The pristine account, as the prefix was made: it becomes B.
account_save B

add "HKLM\\$run" 'Audio Tray' "$(stand_in 'C:\Program Files\Audio\tray.exe' 'Audio Tray')"
add "HKLM\\$run32" 'VPN Client' "$(stand_in 'C:\Program Files (x86)\VPN\vpn.exe' 'VPN Client')"
add "HKCU\\$run" 'Ann Mail' "$(stand_in 'C:\Program Files\Mail\mail.exe' 'Ann Mail')"
shortcut AnnNotes
logon_install "$setup"
add 'HKCU\Software\Veltane\misc' initTimeDelay 10
add 'HKCU\Software\Veltane\misc' TimeDelay 10
logon_run 1 "$logs"
account_save A

account_use B
add "HKCU\\$run" 'Bea Games' "$(stand_in 'C:\Program Files\Games\games.exe' 'Bea Games')"
shortcut BeaPhotos
logon_run 2 "$logs"
logon_run 3 "$logs"
account_save B

account_use A
logon_run 4 "$logs"
account_save A

account_use B
logon_run 5 "$logs"
held_b=$(ls "$drive/users/$users_dir/AppData/Roaming/Tarnwick/StartUp" 2>/dev/null | paste -sd, -)
account_save B
held_a=$(ls "$work/accounts/A/profile/AppData/Roaming/Tarnwick/StartUp" 2>/dev/null | paste -sd, -)
program=$(ls "$drive/Program Files/Tarnwick" | grep -ci '\.lnk$' || true)
echo "held by A [$held_a] held by B [$held_b] shortcuts in the program folder: $program" \
    >"$work/after.txt"

PYTHONPATH="$root/scripts" python3 - "$logs/starts.txt" "$work/after.txt" <<'PY'
import sys
from logon_starts import check_starts
machine = {"Audio Tray": "Tarnwick", "VPN Client": "Tarnwick"}
a = {**machine, "Ann Mail": "Tarnwick", "AnnNotes": "Tarnwick"}
b = {**machine, "Bea Games": "Tarnwick", "BeaPhotos": "Tarnwick"}
expected = {
    1: a,
    # B's first log-on: the machine's programs through Tarnwick, B's own with Windows; B's own
    # launcher takes them over after its sequence.
    2: {**machine, "Bea Games": "Windows", "BeaPhotos": "Windows"},
    3: b,
    4: a,
    5: b,
}
checks, failures = check_starts(sys.argv[1], expected)
after = open(sys.argv[2], encoding="utf-8").read().strip()
print(after)
checks += 1
want = "held by A [AnnNotes.lnk] held by B [BeaPhotos.lnk] shortcuts in the program folder: 0"
if want != after:
    print(f"  FAILED: expected {want}")
    failures += 1
print(f"{checks - failures} passed, {failures} failed")
sys.exit(1 if failures else 0)
PY
