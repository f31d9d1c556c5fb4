#!/usr/bin/env bash
# Benchmark of the launcher against tw_floor.exe, the floor program of our own: what the launcher
# has to do, done the plainest way with no product logic (a window of the same size and place with
# the same six controls, the same two display timers at 150 and 200 ms each doing a trivial paint,
# and the same 20 CreateProcessW calls of a tiny program 1 s apart). In one run under a throwaway
# Wine prefix:
#   - time from process creation to the window seen on the screen (visible and painted), and peak
#     working set after start-up (median of RUNS starts each, taking turns);
#   - CPU time and peak RSS of a whole sequence of 20 entries one second apart, the launcher with
#     "Wait until the computer is idle" off and on, against the floor program doing its 20 starts
#     (measured on the Linux side: wait4 rusage);
#   - the exe sizes;
#   - the start time of each of 50 entries against its slot (counted from the end of start-up),
#     and the drift.
# Targets, printed met or NOT met (a miss is reported, not an error): start to window seen at
# most 1.2 times the floor's, CPU over the sequence at most 50 ms beyond the floor's with the
# option off and on, peak working set at most 1.2 times the floor's.
#   scripts/bench-launcher.sh [RUNS]     (BUILD_DIR chooses the build tree, default build/mingw)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
wine_env_fixed_layout "$0" "$@"
build=${BUILD_DIR:-$root/build/mingw}
runs=${1:-10}

"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target Tarnwick tw_floor tw_sample tw_bench >/dev/null

wine_env_start "$build/bench-launcher"
trap wine_env_stop EXIT

# The programs run from a program folder inside the prefix, as after an installation.
folder='C:\Program Files\Tarnwick'
unix_folder="$WINEPREFIX/drive_c/Program Files/Tarnwick"
mkdir -p "$unix_folder" "$WINEPREFIX/drive_c/bench"
cp "$build/launcher/Tarnwick.exe" "$build/bench/launcher/tw_floor.exe" \
    "$build/demo/tw_sample.exe" "$unix_folder/"
cp "$build/bench/launcher/tw_bench.exe" "$WINEPREFIX/drive_c/bench/"
sample="$folder\\tw_sample.exe"
logs='C:\bench\logs'

# Output goes through files: a pipe would be held open by the prefix's helper processes.
tmp="$build/bench-launcher/out.txt"
bench() { wine 'C:\bench\tw_bench.exe' "$@" </dev/null >"$tmp" 2>/dev/null; cat "$tmp"; }

began=$(date +%s)
echo "Tarnwick launcher benchmark ($(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(wine --version))"
bench startup "$folder" "$sample" "$logs" "$runs"

# The sequence: the launcher with the option off, the floor program, the launcher with the option
# on, each starting the sample 20 times one second apart after a second's wait.
floor_logs='C:\bench\floor-logs'
python3 - "$folder" "$sample" "$logs" "$floor_logs" "$tmp" <<'PY'
import os, subprocess, sys, time

folder, sample, logs, floor_logs, out = sys.argv[1:]
# CPU over the sequence: at most this much beyond the floor program's.
MOST_BEYOND_MS = 50
# Peak memory: at most this many times the floor program's.
MOST_RATIO = 1.2


def run(args):
    """Runs one Wine program to its end: wall seconds, CPU seconds, peak RSS in KiB."""
    start = time.monotonic()
    proc = subprocess.Popen(["wine"] + args, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, _, usage = os.wait4(proc.pid, 0)
    proc.returncode = 0
    return time.monotonic() - start, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def bench(*args):
    """tw_bench's output; through a file, as a pipe would be held open by the prefix's helpers."""
    with open(out, "w") as f:
        subprocess.run(["wine", "C:\\bench\\tw_bench.exe", *args], stdin=subprocess.DEVNULL,
                       stdout=f, stderr=subprocess.DEVNULL)
    with open(out) as f:
        return f.read().strip()


def verdict(ok):
    return "met" if ok else "NOT met"


runs = {}
for name in ("off", "floor", "on"):
    if name == "floor":
        # A store with no entries, and an empty folder for the floor program's starts.
        bench("seed", sample, floor_logs, "0", "10", "10")
        runs[name] = run([folder + "\\tw_floor.exe", sample, floor_logs, "20"])
        started = bench("started", floor_logs)
    else:
        bench("seed", sample, logs, "20", "10", "10", "True" if name == "on" else "False")
        runs[name] = run([folder + "\\Tarnwick.exe"])
        started = bench("started", logs)
    runs[name] += (started,)

floor_wall, floor_cpu, floor_rss, floor_started = runs["floor"]
print("Sequence of 20 entries, 1 s apart (the floor program: "
      f"{floor_wall:.2f} s, CPU {floor_cpu * 1000:.1f} ms, peak RSS {floor_rss / 1024:.1f} MiB, "
      f"{floor_started} of 20 started)")
for name, label in (("off", "WaitIdle off"), ("on", "WaitIdle on")):
    wall, cpu, rss, started = runs[name]
    beyond = 1000 * (cpu - floor_cpu)
    ratio = rss / floor_rss
    print(f"  Tarnwick, {label:12} {wall:6.2f} s, {started} of 20 started")
    if wall > floor_wall + 2:
        # Waiting for the computer to settle held the starts back: a busy machine.
        print(f"    {wall - floor_wall:.0f} s longer than the floor program's: the machine was "
              "busy, and the CPU figure covers that time too")
    print(f"    CPU time      Tarnwick {cpu * 1000:7.1f} ms   floor {floor_cpu * 1000:7.1f} ms"
          f"   beyond {beyond:+.1f} ms (target <= +{MOST_BEYOND_MS} ms: "
          f"{verdict(beyond <= MOST_BEYOND_MS)})")
    print(f"    peak RSS      Tarnwick {rss / 1024:7.1f} MiB  floor {floor_rss / 1024:7.1f} MiB"
          f"  ratio {ratio:.2f} (target <= {MOST_RATIO}: {verdict(ratio <= MOST_RATIO)})")
PY
echo "Exe size                     Tarnwick $(stat -c %s "$unix_folder/Tarnwick.exe") bytes" \
    "  floor $(stat -c %s "$unix_folder/tw_floor.exe") bytes"
bench schedule "$folder" "$sample" "$logs" 50
echo "The benchmark took $(($(date +%s) - began)) s"
