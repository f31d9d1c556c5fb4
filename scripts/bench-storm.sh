#!/usr/bin/env bash
# Log-on storm benchmark. Simulates log-ons under Wine with start-up programs of the project's own,
# three storms in one run, each three ways: (a) every program started at once, as Windows does;
# (b) started by the real Tarnwick.exe with the delays the installer sets; (c) started by
# Tarnwick.exe with the shortest program delay it keeps and "Wait until the computer is idle" on.
# Meanwhile a probe that stands for the user's first action is started once a second and timed.
# Before the three, one program of the storm runs alone on the idle machine: the storm's floor,
# the soonest it can be over with one processor left to the user, is that time for every program,
# shared by the other processors. Prints per storm the floor, the probe's median and 95th
# percentile per run, when the last program started and when the storm was over (also against the
# floor), and the storm's targets as ratios within the run, and draws one plot per storm.
#   scripts/bench-storm.sh
# Environment:
#   STORMS     which storms, in order (default "present light heavy")
#   PROGRAMS   start-up programs per storm instead of each storm's own number (a quick check)
#   PNG_DIR    where the plots go (default docs/): storm.png, storm-light.png, storm-heavy.png
#   BUILD_DIR  the build tree (default build/mingw)
#   ATTEMPTS   runs of one kind until one is undisturbed (default 3)
#   SETTLE_SECONDS  the longest wait for a quiet machine before each run (default 120)
# A quick check on a busy machine: STORMS=light PROGRAMS=3 ATTEMPTS=1 SETTLE_SECONDS=2 PNG_DIR=/tmp
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
wine_env_fixed_layout "$0" "$@"
build=${BUILD_DIR:-$root/build/mingw}
png_dir=${PNG_DIR:-$root/docs}
storms=${STORMS:-present light heavy}
attempts=${ATTEMPTS:-3}
settle_seconds=${SETTLE_SECONDS:-120}

# The storms, sized for a 2-core machine like the one this runs on: programs, units of CPU work
# (about 1.7 ms of one core each) and megabytes written, flushed in 8 steps. A program of a
# storm loads, builds its caches and saves them.
# - present: 8 programs of about 3 s of one core and 32 MB, a cluttered but ordinary desktop
#   (sync client, chat, updaters, vendor tools). Together 24 core-seconds: all at once they hold
#   both cores for 12 s or more.
# - light: 8 programs of about 0.3 s and 1 MB, tray tools that are done almost at once; fixed
#   delays make the user wait for nothing.
# - heavy: 6 programs of about 10 s of one core and 32 MB each, a game launcher, an indexer, an
#   antivirus's first scan; fixed delays of 4 s still pile them up.
storm_params() { # storm -> "programs units megabytes"
    case $1 in
        present) echo "8 1800 32" ;;
        light) echo "8 180 1" ;;
        heavy) echo "6 6000 32" ;;
        *)
            echo "bench-storm: no storm named '$1' (present, light, heavy)" >&2
            exit 2
            ;;
    esac
}
for storm in $storms; do storm_params "$storm" >/dev/null; done
# The probe does about 0.17 s of work (100 units) and saves, flushes and reads back 256 KB, a small
# program opening a document; it is timed from the start of its process to its end, so process
# creation counts, as it does for a user. Idle, that is 0.2 to 0.4 s here.
probe_units=100
probe_kilobytes=256
# The launcher's runs, in tenths of a second as stored: the installer's "TimeDelay" of 40 (4 s
# between programs) and "initTimeDelay" of 10 (1 s), what a user gets without touching the
# settings; and with "WaitIdle" on, the least program delay the launcher keeps (1 s), so that the
# computer's load alone paces the starts.
fixed_delay=40
paced_delay=10
init_delay=10
# Above this share of the cores taken by other programs during a run, its figures say more about
# the neighbours than about the storm.
quiet_percent=5

# How long the probe is watched in each run of a storm, in whole seconds: the same for its three
# runs, and long enough for the slowest of them to start every program and let the last one
# finish. With fixed delays the last program starts after the initial delay and one delay per
# program. Waiting for idle, a program that outlasts the delay holds the next one back until it
# has ended and the load meter's last 400 ms show room again (a few tenths of a second; 1.5 s are
# allowed, as the probe slows the programs too). Both get 9 s for the last program to finish on a
# machine shared with the probe.
watch_window() { # programs units
    local n=$1 work=$(($2 * 17 / 1000)) fixed paced period
    fixed=$((init_delay + n * fixed_delay + work + 90))
    period=$((work + 15 > paced_delay ? work + 15 : paced_delay))
    paced=$((init_delay + paced_delay + (n - 1) * period + work + 90))
    echo $((((fixed > paced ? fixed : paced) + 9) / 10))
}

began=$(date +%s)
"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target storm_load storm_probe storm_driver Tarnwick

# A prefix of its own beside the tests' one, so that a test run of the same build tree and this
# benchmark never share a registry.
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
# The storm being run: set for each storm below.
programs=0 load_units=0 load_megabytes=0 window=0
load_command() { # record index
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
# Let the disk write back what the previous run left, and wait ($settle_seconds at most) until
# nothing else keeps the machine busy: the figures are only worth something on a quiet machine.
settle() {
    rm -f "$work"/data/*.dat
    sync
    local busy i
    for i in $(seq $(((settle_seconds + 1) / 2))); do
        busy=$(cpu_busy)
        ((busy <= 10)) && break
    done
    echo "  cores busy just before the run: $busy% (load average $(cut -d' ' -f1-3 /proc/loadavg))"
}
# One storm run, watched for what the rest of the machine takes meanwhile: the probe for `seconds`,
# then until the driver has ended and every one of `logs` start-up programs has logged (Tarnwick
# ends one delay after its last start, and that program may still be running then). A run during
# which other programs took more than $quiet_percent% of the cores is done again, $attempts runs in
# all at most; the report says if the last was disturbed too.
storm_run() { # record seconds logs prepare-command [storm command ...]
    local record=$1 seconds=$2 logs=$3 prepare=$4 attempt i
    shift 4
    for attempt in $(seq "$attempts"); do
        settle
        rm -rf "$work/log-$record"
        mkdir -p "$work/log-$record"
        $prepare
        python3 "$root/bench/storm/cpu_watch.py" "$WINEPREFIX" "$work/$record-watch.txt" &
        watcher=$!
        drive "$record" "$seconds" "$@"
        for i in $(seq 200); do
            [ "$(find "$work/log-$record" -name '*.txt' | wc -l)" -ge "$logs" ] && break
            sleep 1
        done
        kill -TERM "$watcher"
        wait "$watcher"
        watcher=
        awk -v cores="$(nproc)" -v quiet="$quiet_percent" \
            'NR == 1 { exit !(100 * $1 / ($3 * cores) > quiet) }' "$work/$record-watch.txt" ||
            return 0
        ((attempt < attempts)) &&
            echo "  other programs took more than $quiet_percent% of the cores meanwhile: again"
    done
    return 0
}
# What the installer leaves, with the run's delays: the options in "misc" and the programs in
# Tarnwick's keeping (half taken from the machine's Run key, half from the user's), which the
# launcher starts.
seed_launcher() { # record TimeDelay WaitIdle
    local record=$1 i section
    wine reg delete 'HKCU\Software\Veltane' /f >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Veltane\misc' /v TimeDelay /d "$2" /f >/dev/null
    wine reg add 'HKCU\Software\Veltane\misc' /v initTimeDelay /d "$init_delay" /f >/dev/null
    wine reg add 'HKCU\Software\Veltane\misc' /v WaitIdle /d "$3" /f >/dev/null
    wine reg add 'HKCU\Software\Veltane\misc' /v Visible /d 1 /f >/dev/null
    wine reg add 'HKCU\Software\Veltane\misc' /v Enabled /d True /f >/dev/null
    for i in $(seq "$programs"); do
        section=HKEY_CURRENT_USER
        ((i % 2)) && section=HKEY_LOCAL_MACHINE
        wine reg add "HKCU\\Software\\Veltane\\$section" \
            /v "$(printf 'StormLoad%02d' "$i")" /d "$(load_command "$record" "$i")" /f >/dev/null
    done
}

echo "machine: $(nproc) cores, load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# Idle probes first: the baseline, and the probe's files in the cache for every run alike.
drive idle 6

mkdir -p "$png_dir"
: >"$work/targets.txt"
for storm in $storms; do
    read -r programs load_units load_megabytes <<<"$(storm_params "$storm")"
    programs=${PROGRAMS:-$programs}
    window=$(watch_window "$programs" "$load_units")
    storm_began=$(date +%s)
    echo "storm $storm: $programs programs of $load_units units and $load_megabytes MB," \
        "probe watched for $window s"

    echo " one program alone, no probe"
    storm_run "$storm-alone" 0 1 true "$(load_command "$storm-alone" 1)"

    echo " run (a): all at once"
    commands=()
    for i in $(seq "$programs"); do commands+=("$(load_command "$storm-all" "$i")"); done
    storm_run "$storm-all" "$window" "$programs" true "${commands[@]}"

    echo " run (b): through Tarnwick.exe, TimeDelay $fixed_delay, initTimeDelay $init_delay"
    storm_run "$storm-fixed" "$window" "$programs" \
        "seed_launcher $storm-fixed $fixed_delay False" "$win\\prog\\Tarnwick.exe"

    echo " run (c): through Tarnwick.exe, TimeDelay $paced_delay, initTimeDelay $init_delay," \
        "WaitIdle True"
    storm_run "$storm-waitidle" "$window" "$programs" \
        "seed_launcher $storm-waitidle $paced_delay True" "$win\\prog\\Tarnwick.exe"

    png="$png_dir/storm.png"
    [ "$storm" = present ] || png="$png_dir/storm-$storm.png"
    args=(--storm "$storm" --programs "$programs" --window "$window"
        --quiet-percent "$quiet_percent" --png "$png" --idle "$work/idle.txt"
        --alone-logs "$work/log-$storm-alone" --alone-watch "$work/$storm-alone-watch.txt")
    for run in all fixed waitidle; do
        args+=("--$run" "$work/$storm-$run.txt" "--$run-logs" "$work/log-$storm-$run"
            "--$run-watch" "$work/$storm-$run-watch.txt")
    done
    python3 "$root/bench/storm/storm_report.py" "${args[@]}" >"$work/$storm-report.txt" || {
        echo "bench-storm: no report for the $storm storm" >&2
        exit 1
    }
    cat "$work/$storm-report.txt"
    grep '^target' "$work/$storm-report.txt" >>"$work/targets.txt" || true
    echo "storm $storm took $(($(date +%s) - storm_began)) s"
done

echo "machine: load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "targets:"
cat "$work/targets.txt"
echo "the benchmark took $(($(date +%s) - began)) s"
