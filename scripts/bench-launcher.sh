#!/usr/bin/env bash
# Benchmark of the launcher against tw_minimal.exe, a minimal Win32 window program of our own of
# the same shape, in one run under a throwaway Wine prefix:
#   - time from process creation to the window seen on the screen (visible and painted), and peak
#     working set after start-up (median of RUNS starts each, taking turns);
#   - CPU time and peak RSS of a whole sequence of 20 entries one second apart, against the
#     minimal program kept open for the same time (measured on the Linux side: wait4 rusage), and
#     what the platform charges the minimal program for two idle timers at the launcher's rates;
#   - the exe sizes;
#   - the start time of each of 50 entries against its slot (counted from the end of start-up),
#     and the drift.
# Not a test: it prints figures.
#   scripts/bench-launcher.sh [RUNS]     (BUILD_DIR chooses the build tree, default build/mingw)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/mingw}
runs=${1:-10}

"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target Tarnwick tw_minimal tw_sample tw_bench >/dev/null

. "$root/scripts/wine-env.sh"
wine_env_start "$build/bench-launcher"
trap wine_env_stop EXIT

# The programs run from a program folder inside the prefix, as after an installation.
folder='C:\Program Files\Tarnwick'
unix_folder="$WINEPREFIX/drive_c/Program Files/Tarnwick"
mkdir -p "$unix_folder" "$WINEPREFIX/drive_c/bench"
cp "$build/launcher/Tarnwick.exe" "$build/launcher/bench/tw_minimal.exe" \
    "$build/launcher/demo/tw_sample.exe" "$unix_folder/"
cp "$build/launcher/bench/tw_bench.exe" "$WINEPREFIX/drive_c/bench/"
sample="$folder\\tw_sample.exe"
logs='C:\bench\logs'

# Output goes through files: a pipe would be held open by the prefix's helper processes.
tmp="$build/bench-launcher/out.txt"
bench() { wine 'C:\bench\tw_bench.exe' "$@" </dev/null >"$tmp" 2>/dev/null; cat "$tmp"; }

echo "Tarnwick launcher benchmark ($(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(wine --version))"
bench startup "$folder" "$sample" "$logs" "$runs"

bench seed "$sample" "$logs" 20 10 10 >/dev/null
python3 - "$folder" <<'PY'
import os, resource, subprocess, sys, time

folder = sys.argv[1]

def run(args):
    """Runs one Wine program to its end: wall seconds, CPU seconds, peak RSS in KiB."""
    start = time.monotonic()
    proc = subprocess.Popen(["wine"] + args, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, _, usage = os.wait4(proc.pid, 0)
    proc.returncode = 0
    return time.monotonic() - start, usage.ru_utime + usage.ru_stime, usage.ru_maxrss

wall, cpu_t, rss_t = run([folder + "\\Tarnwick.exe"])
_, cpu_m, rss_m = run([folder + "\\tw_minimal.exe", str(int(wall * 1000))])
_, cpu_timers, _ = run([folder + "\\tw_minimal.exe", str(int(wall * 1000)), "timers"])
print(f"Sequence of 20 entries, 1 s apart: {wall:.2f} s")
print(f"  CPU time                   Tarnwick {cpu_t * 1000:7.1f} ms   minimal {cpu_m * 1000:7.1f} ms"
      f"   beyond {1000 * (cpu_t - cpu_m):+.1f} ms")
print(f"  CPU time of the minimal program with two idle timers at 150 and 200 ms:"
      f" {cpu_timers * 1000:.1f} ms ({1000 * (cpu_timers - cpu_m):+.1f} ms)")
print(f"  peak RSS                   Tarnwick {rss_t / 1024:7.1f} MiB  minimal {rss_m / 1024:7.1f} MiB"
      f"  ratio {rss_t / rss_m:.2f}")
PY
echo "  entries started            $(bench started "$logs" | tr -d '\r') of 20"
echo "Exe size                     Tarnwick $(stat -c %s "$unix_folder/Tarnwick.exe") bytes" \
    "  minimal $(stat -c %s "$unix_folder/tw_minimal.exe") bytes"
bench schedule "$folder" "$sample" "$logs" 50
