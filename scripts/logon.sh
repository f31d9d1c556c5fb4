# Sourced by the demo and the log-on scenario test, after wine-env.sh: the product installed into
# a prefix of its own and log-ons as Windows does them. Wine's own log-on processing (`wineboot`
# after the prefix's server has ended) starts every value of both machine Run views and of the
# user's Run key, then every StartUp shortcut, all at once, as Explorer does.
#   logon_prefix DIR          a fresh copy of the build's template prefix at DIR, as WINEPREFIX
#   logon_install SETUP       runs the setup program silently
#   logon_run N LOGS [HOOK]   one log-on; runs HOOK (a command) while the launcher runs; waits
#                             for the launcher's end; moves LOGS/*.txt into LOGS/logon-N and
#                             appends "N name started-by seconds" rows to LOGS/starts.txt
#   logon_end                 ends the prefix's server

logon_quiet() { "$@" </dev/null >/dev/null 2>&1; }

logon_prefix() {
    export WINEPREFIX=$1
    wine_env_end_server "$WINEPREFIX"
    rm -rf "$WINEPREFIX"
    cp -a "$BUILD_TEMPLATE" "$WINEPREFIX"
    logon_quiet wine cmd /c exit
}

# The setup program waits for its own steps, and wine for the setup program.
logon_install() {
    logon_quiet wine "$1" /S
}

# The launcher of this prefix is running: a process whose command line names Tarnwick.exe and
# whose environment carries this prefix.
logon_launcher_running() {
    local pid
    for pid in $(pgrep -f 'Tarnwick\.exe' || true); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            return 0
    done
    return 1
}

# A program of this prefix's session is running: a Windows process (Wine's loader runs it) that
# carries this prefix in its environment and is not one of Wine's own programs in C:\windows.
logon_programs_running() {
    local pid first
    for pid in $(grep -lsxz "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ | cut -d/ -f3); do
        case $(readlink "/proc/$pid/exe" 2>/dev/null) in
            */wine | */wine64 | */wine-preloader | */wine64-preloader) ;;
            *) continue ;;
        esac
        first=$({ tr '\0' '\n' <"/proc/$pid/cmdline" | head -1; } 2>/dev/null) || continue
        first=${first#\"}
        case "${first,,}" in
            c:\\windows\\*) ;;
            *) return 0 ;;
        esac
    done
    return 1
}

logon_run() {
    local n=$1 logs=$2 i
    # Logging off: the server ends every process of the session and saves the registry.
    logon_quiet wineserver -k || true
    logon_quiet wineserver -w || true
    local start
    start=$(date +%s.%N)
    logon_quiet wine wineboot
    if [ -n "${3:-}" ]; then
        # The hook is for the launcher, which appears within a moment of wineboot's return.
        for i in $(seq 40); do logon_launcher_running && break; sleep 0.1; done
        $3
    fi
    # What wineboot starts appears a moment after it returns: waiting for it to end before it is
    # there would end the log-on while the launcher is still to come.
    for i in $(seq 40); do logon_programs_running && break; sleep 0.1; done
    # The log-on is over once all of it has ended: the launcher after its sequence, the programs
    # (the launcher's and those Windows started itself) once they have noted their start.
    for i in $(seq 1200); do logon_programs_running || break; sleep 0.1; done
    mkdir -p "$logs/logon-$n"
    python3 - "$n" "$start" "$logs" >>"$logs/starts.txt" <<'PY'
import os, sys
n, start, logs = sys.argv[1], float(sys.argv[2]), sys.argv[3]
EPOCH_DIFF = 11644473600  # seconds from 1601 (FILETIME) to 1970
for name in sorted(os.listdir(logs)):
    if not name.endswith(".txt") or name == "starts.txt":
        continue
    for line in open(os.path.join(logs, name), encoding="utf-8"):
        fields = dict(f.split("=", 1) for f in line.split(" cmd=")[0].split())
        t = int(fields["created"]) / 1e7 - EPOCH_DIFF - start
        by = "Tarnwick" if fields.get("by", "").lower() == "tarnwick.exe" else "Windows"
        print(f"{n}\t{name[:-4]}\t{by}\t{t:.2f}")
    os.rename(os.path.join(logs, name), os.path.join(logs, f"logon-{n}", name))
PY
}

logon_end() {
    logon_quiet wineserver -k || true
}
