#!/usr/bin/env bash
# Log-on storm benchmark. Simulates a log-on under Wine twice in one run, with the same heavy
# start-up programs: (a) all started at once, as Windows does, and (b) started by the real
# Tarnwick.exe with the delays the installer sets. Meanwhile a probe that stands for the user's
# first action is started once a second and timed. Prints the probe's median and 95th
# percentile per run, their ratio and when the last program started, and draws the plot.
#   scripts/bench-storm.sh            BUILD_DIR chooses the build tree (default build/mingw),
#                                     STORM_PNG the plot (default docs/storm.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/mingw}
png=${STORM_PNG:-$root/docs/storm.png}

# The storm, sized for a 2-core machine like the one this runs on.
# - 8 start-up programs: a cluttered but ordinary desktop (sync client, chat, updaters, vendor
#   tools) has about that many that do real work at log-on.
# - Each does about 3 s of work for one core (1800 units of about 1.7 ms) and writes 32 MB,
#   flushed in 8 steps: a program that loads, builds its caches and saves them. Together that
#   is 24 core-seconds, so all at once they hold both cores for 12 s or more.
# - The probe does about 0.17 s of work (100 units) and saves, flushes and reads back 256 KB, a
#   small program opening a document; it is timed from the start of its process to its end, so
#   process creation counts, as it does for a user. Idle, that is 0.2 to 0.4 s here.
# - The launcher runs with the installer's "TimeDelay" of 40 (4 s between programs) and the
#   default "initTimeDelay" of 10 (1 s): what a user gets without touching the settings.
# - Both runs are watched for the same time: until every program of the launcher's run has
#   started and had time to finish, so neither run is cut short or padded differently.
programs=8
load_units=1800
load_megabytes=32
probe_units=100
probe_kilobytes=256
time_delay=40
init_time_delay=10
window=$((init_time_delay / 10 + programs * time_delay / 10 + 12))
# Above this share of the cores taken by other programs during a run, its figures say more about
# the neighbours than about the storm.
quiet_percent=5

"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target storm_load storm_probe storm_driver Tarnwick

# A prefix of its own beside the tests' one, so that a test run of the same build tree and this
# benchmark never share a registry.
. "$root/scripts/wine-env.sh"
wine_env_start "$build/bench-storm"
watcher=
trap '[ -n "$watcher" ] && kill "$watcher" 2>/dev/null; wine_env_stop' EXIT

work="$WINEPREFIX/drive_c/storm"
rm -rf "$work"
mkdir -p "$work/bin" "$work/prog" "$work/data"
cp "$build/bench/storm/storm_load.exe" "$build/bench/storm/storm_probe.exe" \
    "$build/bench/storm/storm_driver.exe" "$work/bin/"
# The launcher's program folder is the folder of its exe.
cp "$build/launcher/Tarnwick.exe" "$work/prog/"

win='C:\storm'
probe="$win\\bin\\storm_probe.exe $win\\data\\probe.tmp $probe_units $probe_kilobytes"
load_command() { # run index
    printf '%s\\bin\\storm_load.exe %s\\log-%s\\%02d.txt %s\\data\\%s-%02d.dat %s %s' \
        "$win" "$win" "$1" "$2" "$win" "$1" "$2" "$load_units" "$load_megabytes"
}
drive() { # record seconds [storm command ...]
    local record=$1 seconds=$2
    shift 2
    wine "$win\\bin\\storm_driver.exe" "$win\\$record.txt" "$seconds" "$probe" "$@" \
        </dev/null || {
        echo "bench-storm: the $record run failed (driver exit code $?)" >&2
        exit 1
    }
}
# Percent of all cores busy over two seconds.
cpu_busy() {
    local a b
    a=($(head -1 /proc/stat))
    sleep 2
    b=($(head -1 /proc/stat))
    local total=0 idle=$((b[4] + b[5] - a[4] - a[5])) i
    for i in 1 2 3 4 5 6 7 8; do total=$((total + b[i] - a[i])); done
    echo $((100 * (total - idle) / (total > 0 ? total : 1)))
}
# Let the disk write back what the previous run left, and wait (two minutes at most) until
# nothing else keeps the machine busy: the figures are only worth something on a quiet machine.
settle() {
    rm -f "$work"/data/*.dat
    sync
    local busy i
    for i in $(seq 60); do
        busy=$(cpu_busy)
        ((busy <= 10)) && break
    done
    echo "  cores busy just before the run: $busy% (load average $(cut -d' ' -f1-3 /proc/loadavg))"
}
# One storm run, watched for what the rest of the machine takes meanwhile: until the driver has
# ended and every start-up program has logged (Tarnwick ends one delay after its last start, and
# that program may still be running then). A run during which other programs took more than
# $quiet_percent% of the cores is done again, twice at most; the report says if the last was
# disturbed too.
storm_run() { # record prepare-command [storm command ...]
    local record=$1 prepare=$2 attempt i
    shift 2
    for attempt in 1 2 3; do
        settle
        rm -rf "$work/log-$record"
        mkdir -p "$work/log-$record"
        $prepare
        python3 "$root/bench/storm/cpu_watch.py" "$WINEPREFIX" "$work/$record-watch.txt" &
        watcher=$!
        drive "$record" "$window" "$@"
        for i in $(seq 120); do
            [ "$(find "$work/log-$record" -name '*.txt' | wc -l)" -ge "$programs" ] && break
            sleep 1
        done
        kill -TERM "$watcher"
        wait "$watcher"
        watcher=
        awk -v cores="$(nproc)" -v quiet="$quiet_percent" \
            'NR == 1 { exit !(100 * $1 / ($3 * cores) > quiet) }' "$work/$record-watch.txt" ||
            return 0
        echo "  other programs took more than $quiet_percent% of the cores meanwhile: again"
    done
}
# What the installer leaves: the defaults in "misc" and the programs in Tarnwick's keeping (half
# taken from the machine's Run key, half from the user's), which the launcher starts.
seed_launcher() {
    local i section
    wine reg delete 'HKCU\Software\Veltane' /f >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Veltane\misc' /v TimeDelay /d "$time_delay" /f >/dev/null
    wine reg add 'HKCU\Software\Veltane\misc' /v Visible /d 1 /f >/dev/null
    wine reg add 'HKCU\Software\Veltane\misc' /v Enabled /d True /f >/dev/null
    for i in $(seq "$programs"); do
        section=HKEY_CURRENT_USER
        ((i % 2)) && section=HKEY_LOCAL_MACHINE
        wine reg add "HKCU\\Software\\Veltane\\$section" \
            /v "$(printf 'StormLoad%02d' "$i")" /d "$(load_command tarnwick "$i")" /f >/dev/null
    done
}

echo "machine: $(nproc) cores, load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# Idle probes first: the baseline, and the probe's files in the cache for both runs alike.
drive idle 6

echo "run (a): $programs start-up programs all at once"
commands=()
for i in $(seq "$programs"); do commands+=("$(load_command all "$i")"); done
storm_run all true "${commands[@]}"

echo "run (b): the same programs through Tarnwick.exe"
storm_run tarnwick seed_launcher "$win\\prog\\Tarnwick.exe"

echo "machine: load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
mkdir -p "$(dirname "$png")"
python3 "$root/bench/storm/storm_report.py" --programs "$programs" --window "$window" \
    --quiet-percent "$quiet_percent" --png "$png" --idle "$work/idle.txt" \
    --all "$work/all.txt" --all-logs "$work/log-all" --all-watch "$work/all-watch.txt" \
    --tarnwick "$work/tarnwick.txt" --tarnwick-logs "$work/log-tarnwick" \
    --tarnwick-watch "$work/tarnwick-watch.txt"
