# Sourced by the scenario tests (the log-on cycles, the package's scenarios) once they have set
# `build` to the build tree: Wine's environment and log-ons (wine-env.sh, logon.sh), a prefix and
# a display of the scenario's own, stand-in start-up programs at the places real ones live, and
# the scenario's own assertions.
#   scenario_start WORK     a fresh WORK (also in $work) with its prefix in WORK/prefix; sets
#                           drive, logs_win, logs, run and run32; ends the server and the display
#                           on exit
#   stand_in PATH NAME [ARGS...]  copies $sample to PATH, prints the command line Windows would hold
#   add KEY NAME DATA       a REG_SZ value
#   shortcut NAME           a stand-in whose shortcut lies in the account's StartUp folder
#   check WHAT COMMAND...   one assertion, said either way; $failures counts those that failed

scenario_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$scenario_scripts/wine-env.sh"
. "$scenario_scripts/logon.sh"
BUILD_TEMPLATE="${build:?set build to the build tree before sourcing scenario.sh}/wine/template"

# A step that fails ends the scenario (set -e); it says which, as the steps keep Wine quiet. The
# trap reaches into the steps' functions (set -E), and with them into command substitutions, where
# a failure ends nothing: only the scenario's own shell speaks.
set -E
trap 'code=$?; [ "$BASH_SUBSHELL" -gt 0 ] ||
    echo "scenario: \"$BASH_COMMAND\" (line $LINENO) failed with exit code $code" >&2' ERR

scenario_start() {
    work=$1
    wine_env_end_server "$1/prefix"
    rm -rf "$1"
    mkdir -p "$1"
    # Nothing here is shared with the other tests, which run beside this one under `ctest -j`.
    # The launcher's window and the samples' would otherwise lie on the screen and under the
    # pointer of the tests that read pixels and move the mouse.
    wine_env_display
    logon_prefix "$1/prefix"
    trap 'logon_end; wine_env_display_stop' EXIT
    # The launcher waits 10 s after its start before it takes new entries; 3 s is plenty for
    # Wine's log-on, which starts everything within 50 ms.
    export TARNWICK_SETTLE_MS=3000
    drive="$WINEPREFIX/drive_c"
    logs_win='C:\logon-logs'
    logs="$drive/logon-logs"
    mkdir -p "$logs"
    run='Software\Microsoft\Windows\CurrentVersion\Run'
    run32='Software\WOW6432Node\Microsoft\Windows\CurrentVersion\Run'
}

stand_in() {
    local path=$1 name=$2
    shift 2
    local unix="$drive/${path#C:\\}"
    unix=${unix//\\//}
    mkdir -p "$(dirname "$unix")"
    cp "$sample" "$unix"
    printf '"%s" "%s" %s --hidden%s' "$path" "$name" "$logs_win" "${*:+ $*}"
}

add() { logon_quiet wine reg add "$1" /v "$2" /d "$3" /f; }

shortcut() {
    local startup
    startup=$(wine cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')
    startup+='\Microsoft\Windows\Start Menu\Programs\StartUp'
    stand_in "C:\\Program Files\\$1\\$1.exe" "$1" >/dev/null
    logon_quiet wine "$mklink" "$startup\\$1.lnk" "C:\\Program Files\\$1\\$1.exe" \
        "$1 $logs_win --hidden"
}

failures=0
check() {
    if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
