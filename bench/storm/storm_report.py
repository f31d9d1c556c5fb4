#!/usr/bin/env python3
"""Figures and plot of one storm of the log-on storm benchmark, from what its programs recorded.

Reads the driver's record of each of the storm's three runs (all at once, through the launcher
with fixed delays, through the launcher waiting for the computer to have room: probe latencies, in
milliseconds from the run's time 0), the log each start-up program wrote (its start and end on
the same clock) and the log of one of the storm's programs run alone on the idle machine. Prints
the floor (how soon the storm could be over at the best: every program's time alone, shared by
all processors but the one left to the user), the probe's median and 95th percentile per run,
when the last program started and when the storm was over, against the floor, the storm's targets
as ratios within the run, met or not, and draws probe latency over time for the three runs into
a PNG. Only the standard library: the PNG is written with zlib and a
small bitmap font of its own, so the plot looks the same everywhere.
"""

import argparse
import math
import os
import statistics
import struct
import sys
import zlib

# The three ways a storm is run: key (the record's name), row name, colour in the plot.
RED, BLUE, GREEN = (205, 45, 45), (35, 95, 200), (30, 150, 60)
RUNS = (
    ("all", "all at once", RED),
    ("fixed", "Tarnwick, fixed delays", BLUE),
    ("waitidle", "Tarnwick, WaitIdle", GREEN),
)
NAMES = {key: name for key, name, _ in RUNS}

# What waiting for the computer to have room must buy, as ratios within one run: (figure, what it
# is measured against, the most the WaitIdle run may have of it). What it is measured against is
# another run of RUNS, the idle probes ("idle") or the floor ("floor"). Every storm: the probe's
# 95th percentile close to the idle probe's. The present and the heavy storm, whose programs fill
# the processors: the storm over close to the floor, and the probe's 95th percentile at most a
# third of all at once; the heavy one, where fixed delays still overlap the programs, also well
# under fixed pacing's. The light storm, which does not slow the probe even all at once, and
# whose programs are done long before a fixed delay is over: the sequence ends in half the time.
TARGETS = {
    "present": (("p95", "idle", 1.2), ("storm_over", "floor", 1.25), ("p95", "all", 1 / 3)),
    "light": (("p95", "idle", 1.2), ("last_start", "fixed", 0.5)),
    "heavy": (("p95", "idle", 1.2), ("storm_over", "floor", 1.25), ("p95", "all", 1 / 3),
              ("p95", "fixed", 0.6)),
}
FIGURE_NAMES = {"p95": "probe p95", "last_start": "last program started",
                "storm_over": "storm over"}
AGAINST_NAMES = dict(NAMES, idle="idle, no storm", floor="floor")


class RunError(Exception):
    """A run whose record shows that the benchmark did not do what it claims."""


# --- Records -------------------------------------------------------------------------------


class Run:
    def __init__(self, t0, probes, exits):
        self.t0 = t0
        self.probes = probes  # [(start s, latency s)]
        self.exits = exits  # [exit code of each command the driver started]
        self.loads = []  # [(start s, end s)] of the start-up programs


def read_run(path):
    """Parses a driver record; a probe or storm command that failed makes the run invalid."""
    t0, probes, exits = None, [], []
    with open(path) as f:
        for number, line in enumerate(f, 1):
            fields = line.split()
            if not fields:
                continue
            if fields[0] == "t0" and len(fields) == 2:
                t0 = float(fields[1])
            elif fields[0] == "probe" and len(fields) == 4:
                if int(fields[3]) != 0:
                    raise RunError(f"{path}:{number}: probe ended with code {fields[3]}")
                probes.append((float(fields[1]) / 1000, float(fields[2]) / 1000))
            elif fields[0] == "exit" and len(fields) == 3:
                exits.append(int(fields[2]))
            else:
                raise RunError(f"{path}:{number}: cannot read {line.strip()!r}")
    if t0 is None or not probes:
        raise RunError(f"{path}: no time 0 or no probe")
    if any(code != 0 for code in exits):
        raise RunError(f"{path}: a storm program ended with codes {exits}")
    return Run(t0, probes, exits)


def read_loads(folder, t0, expected):
    """The (start, end) of every start-up program, in seconds from time 0, sorted by start."""
    loads = []
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name)) as f:
            start, end = (float(v) for v in f.read().split())
        loads.append(((start - t0) / 1000, (end - t0) / 1000))
    if len(loads) != expected:
        raise RunError(f"{folder}: {len(loads)} of {expected} start-up programs ran")
    return sorted(loads)


# --- Figures -------------------------------------------------------------------------------


def percentile(values, p):
    """Nearest rank: the smallest value that at least p percent of the values do not exceed."""
    ordered = sorted(values)
    return ordered[max(0, math.ceil(p / 100 * len(ordered)) - 1)]


def storm_floor(programs, alone, cores):
    """The soonest a storm of `programs` programs of `alone` seconds each can be over when one
    processor stays with the user: the others share the work; a single processor does it all."""
    return programs * alone / (cores - 1 if cores > 1 else 1)


def alone_time(loads):
    """How long the one program of the run alone took, from its own start to its end."""
    ((start, end),) = loads
    return end - start


def figures(run):
    latencies = [latency for _, latency in run.probes]
    result = {
        "median": statistics.median(latencies),
        "p95": percentile(latencies, 95),
        "max": max(latencies),
        "probes": len(latencies),
    }
    if run.loads:
        result["last_start"] = max(start for start, _ in run.loads)
        result["storm_over"] = max(end for _, end in run.loads)
    return result


def verdicts(storm, results, floor_seconds):
    """One line per target of the storm: the ratio within the run, and met or NOT met.
    `results` holds the figures of each run of RUNS and of the idle probes ("idle")."""
    lines = []
    for figure, against, limit in TARGETS.get(storm, ()):
        base = floor_seconds if against == "floor" else results[against][figure]
        ratio = results["waitidle"][figure] / max(base, 1e-9)
        verdict = "met" if ratio <= limit + 1e-9 else "NOT met"
        lines.append(
            f"target ({storm}): {FIGURE_NAMES[figure]}, WaitIdle / {AGAINST_NAMES[against]} "
            f"{ratio:.2f} (<= {limit:.2f}): {verdict}"
        )
    return lines


def report(storm, idle, runs, programs, window, alone, cores):
    """The table of one storm and its targets; `runs` maps each key of RUNS to its run, `alone`
    is the time of one of its programs alone on the idle machine."""
    results = {key: figures(run) for key, run in runs.items()}
    results["idle"] = figures(idle)
    least = storm_floor(programs, alone, cores)
    shared = f"/ ({cores} - 1) processors" if cores > 1 else "on 1 processor"
    lines = [
        f"storm {storm}: {programs} start-up programs, probe watched for {window} s in each run",
        f"floor: {programs} programs x {alone:.2f} s alone {shared} = {least:.1f} s",
        f"{'':26}{'median':>9}{'p95':>9}{'max':>9}{'probes':>8}"
        f"{'last program started':>23}{'storm over':>12}{'/ floor':>9}",
    ]
    rows = [("idle, no storm", results["idle"])] + [(NAMES[key], results[key])
                                                    for key, _, _ in RUNS]
    for name, f in rows:
        row = f"{name:26}{f['median']:8.2f}s{f['p95']:8.2f}s{f['max']:8.2f}s{f['probes']:8d}"
        if "last_start" in f:
            row += (f"{f['last_start']:22.1f}s{f['storm_over']:11.1f}s"
                    f"{f['storm_over'] / max(least, 1e-9):9.2f}")
        lines.append(row)
    for key, _, _ in RUNS:
        if results[key].get("last_start", 0) > window:
            lines.append(f"the run {NAMES[key]} started a program after the watch window: "
                         "its figures do not compare, run again on a quiet machine")
    return "\n".join(lines + verdicts(storm, results, least))


# --- PNG -----------------------------------------------------------------------------------

# 5 x 7 glyphs, rows top to bottom, "#" for ink.
FONT_ROWS = {
    " ": ".....|.....|.....|.....|.....|.....|.....",
    "0": ".###.|#...#|#..##|#.#.#|##..#|#...#|.###.",
    "1": "..#..|.##..|..#..|..#..|..#..|..#..|.###.",
    "2": ".###.|#...#|....#|...#.|..#..|.#...|#####",
    "3": "####.|....#|....#|.###.|....#|....#|####.",
    "4": "...#.|..##.|.#.#.|#..#.|#####|...#.|...#.",
    "5": "#####|#....|####.|....#|....#|#...#|.###.",
    "6": "..##.|.#...|#....|####.|#...#|#...#|.###.",
    "7": "#####|....#|...#.|..#..|.#...|.#...|.#...",
    "8": ".###.|#...#|#...#|.###.|#...#|#...#|.###.",
    "9": ".###.|#...#|#...#|.####|....#|...#.|.##..",
    "a": ".....|.....|.###.|....#|.####|#...#|.####",
    "b": "#....|#....|####.|#...#|#...#|#...#|####.",
    "c": ".....|.....|.###.|#....|#....|#...#|.###.",
    "d": "....#|....#|.####|#...#|#...#|#...#|.####",
    "e": ".....|.....|.###.|#...#|#####|#....|.###.",
    "f": "..##.|.#..#|.#...|###..|.#...|.#...|.#...",
    "g": ".....|.####|#...#|#...#|.####|....#|.###.",
    "h": "#....|#....|#.##.|##..#|#...#|#...#|#...#",
    "i": "..#..|.....|.##..|..#..|..#..|..#..|.###.",
    "j": "...#.|.....|..##.|...#.|...#.|#..#.|.##..",
    "k": "#....|#....|#..#.|#.#..|##...|#.#..|#..#.",
    "l": ".##..|..#..|..#..|..#..|..#..|..#..|.###.",
    "m": ".....|.....|##.#.|#.#.#|#.#.#|#...#|#...#",
    "n": ".....|.....|#.##.|##..#|#...#|#...#|#...#",
    "o": ".....|.....|.###.|#...#|#...#|#...#|.###.",
    "p": ".....|.....|####.|#...#|####.|#....|#....",
    "q": ".....|.....|.####|#...#|.####|....#|....#",
    "r": ".....|.....|#.##.|##..#|#....|#....|#....",
    "s": ".....|.....|.####|#....|.###.|....#|####.",
    "t": ".#...|.#...|###..|.#...|.#...|.#..#|..##.",
    "u": ".....|.....|#...#|#...#|#...#|#..##|.##.#",
    "v": ".....|.....|#...#|#...#|#...#|.#.#.|..#..",
    "w": ".....|.....|#...#|#...#|#.#.#|#.#.#|.#.#.",
    "x": ".....|.....|#...#|.#.#.|..#..|.#.#.|#...#",
    "y": ".....|.....|#...#|#...#|.####|....#|.###.",
    "z": ".....|.....|#####|...#.|..#..|.#...|#####",
    "A": ".###.|#...#|#...#|#####|#...#|#...#|#...#",
    "I": ".###.|..#..|..#..|..#..|..#..|..#..|.###.",
    "L": "#....|#....|#....|#....|#....|#....|#####",
    "N": "#...#|#...#|##..#|#.#.#|#..##|#...#|#...#",
    "P": "####.|#...#|#...#|####.|#....|#....|#....",
    "T": "#####|..#..|..#..|..#..|..#..|..#..|..#..",
    "W": "#...#|#...#|#...#|#.#.#|#.#.#|##.##|#...#",
    ".": ".....|.....|.....|.....|.....|.##..|.##..",
    ",": ".....|.....|.....|.....|.##..|..#..|.#...",
    ":": ".....|.##..|.##..|.....|.##..|.##..|.....",
    "(": "...#.|..#..|.#...|.#...|.#...|..#..|...#.",
    ")": ".#...|..#..|...#.|...#.|...#.|..#..|.#...",
    "-": ".....|.....|.....|#####|.....|.....|.....",
    "/": ".....|....#|...#.|..#..|.#...|#....|.....",
    "=": ".....|.....|#####|.....|#####|.....|.....",
    "%": "##...|##..#|...#.|..#..|.#...|#..##|...##",
}
FONT = {c: rows.split("|") for c, rows in FONT_ROWS.items()}


class Canvas:
    def __init__(self, width, height, background=(255, 255, 255)):
        self.width, self.height = width, height
        self.pixels = [bytearray(bytes(background) * width) for _ in range(height)]

    def set(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][3 * x : 3 * x + 3] = bytes(color)

    def rect(self, x0, y0, x1, y1, color):
        for y in range(max(0, y0), min(self.height, y1 + 1)):
            for x in range(max(0, x0), min(self.width, x1 + 1)):
                self.set(x, y, color)

    def line(self, x0, y0, x1, y1, color, width=1, dash=0):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            if dash and (i // dash) % 2:
                continue
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            self.rect(x - width // 2, y - width // 2, x + (width - 1) // 2, y + (width - 1) // 2,
                      color)

    def text(self, x, y, text, color, scale=2):
        """Draws text with its top left at (x, y); returns the width it took."""
        for i, char in enumerate(text):
            for row, bits in enumerate(FONT[char]):
                for col, bit in enumerate(bits):
                    if bit == "#":
                        left, top = x + (6 * i + col) * scale, y + row * scale
                        self.rect(left, top, left + scale - 1, top + scale - 1, color)
        return text_width(text, scale)

    def png(self):
        raw = b"".join(b"\x00" + bytes(row) for row in self.pixels)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def text_width(text, scale=2):
    return (6 * len(text) - 1) * scale


def nice_step(span, ticks):
    """A step of 1, 2 or 5 times a power of ten that cuts span into about `ticks` parts."""
    raw = span / ticks
    power = 10 ** math.floor(math.log10(raw))
    return next(m * power for m in (1, 2, 5, 10) if m * power >= raw)


def label(value):
    return f"{value:g}"


BLACK = (0, 0, 0)
GREY, LIGHT = (110, 110, 110), (225, 225, 225)


def plot(storm, runs, programs, window):
    """Probe latency over time for each run of RUNS present in `runs`, and its programs."""
    shown = [(runs[key], name, color) for key, name, color in RUNS if key in runs]
    canvas = Canvas(1000, 560 + 18 * len(shown))
    left, top, right, bottom = 90, 70, 970, 470
    top_latency = max(lat for run, _, _ in shown for _, lat in run.probes)
    y_step = nice_step(top_latency, 6)
    y_max = y_step * math.ceil(top_latency * 1.05 / y_step)
    # The time axis reaches the last program's end where that comes after the watch window.
    span = max([window] + [end for run, _, _ in shown for _, end in run.loads])
    x_step = nice_step(span, 10)
    span = x_step * math.ceil(span / x_step)

    def px(t):
        return round(left + (right - left) * t / span)

    def py(latency):
        return round(bottom - (bottom - top) * latency / y_max)

    v = 0.0
    while v <= y_max + 1e-9:
        canvas.line(left, py(v), right, py(v), LIGHT)
        canvas.text(left - 10 - text_width(label(round(v, 6))), py(v) - 7, label(round(v, 6)), GREY)
        v += y_step
    t = 0.0
    while t <= span + 1e-9:
        canvas.line(px(t), top, px(t), bottom, LIGHT)
        canvas.text(px(t) - text_width(label(t)) // 2, bottom + 10, label(t), GREY)
        t += x_step
    canvas.line(left, top, left, bottom, BLACK)
    canvas.line(left, bottom, right, bottom, BLACK)
    if span > window:
        canvas.line(px(window), top, px(window), bottom, GREY, dash=3)

    title = f"Log-on storm ({storm}): {programs} start-up programs, probe latency over time"
    canvas.text((canvas.width - text_width(title)) // 2, 16, title, BLACK)
    canvas.text(left, 48, "probe latency (s)", BLACK)
    axis = "time since log-on (s)"
    canvas.text((left + right - text_width(axis)) // 2, bottom + 34, axis, BLACK)

    # Under the axis, one row per run: a thin bar while start-up programs run and a tick where
    # each one started. Above it, each run's probes.
    for row, (run, _, color) in enumerate(shown):
        y = bottom + 70 + 18 * row
        for start, end in run.loads:
            canvas.rect(px(start), y + 4, px(end), y + 6, color)
        for start, _ in run.loads:
            canvas.line(px(start), y, px(start), y + 10, color, width=2)
        p95 = percentile([lat for _, lat in run.probes], 95)
        canvas.line(left, py(p95), px(window), py(p95), color, dash=6)
        points = [(px(s), py(lat)) for s, lat in run.probes]
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            canvas.line(x0, y0, x1, y1, color, width=2)
        for x, y in points:
            canvas.rect(x - 2, y - 2, x + 2, y + 2, color)
    canvas.text(left - 80, bottom + 70 + 9 * len(shown) - 7, "loads", GREY)

    legend_x = right - 330
    for row, (_, name, color) in enumerate(shown):
        y = top + 10 + 22 * row
        canvas.line(legend_x, y + 7, legend_x + 30, y + 7, color, width=2)
        canvas.text(legend_x + 40, y, name, color)
    canvas.text(legend_x, top + 10 + 22 * len(shown), "- - 95th percentile", GREY)
    return canvas


def read_watch(path, cores):
    """Others' share of the machine during a run, and who took most, from cpu_watch.py's record."""
    with open(path) as f:
        lines = f.read().splitlines()
    others, _, seconds = (float(v) for v in lines[0].split())
    top = ", ".join(f"{name} {float(used):.1f} s" for used, name in
                    (line.split(" ", 1) for line in lines[1:] if line))
    return others / (seconds * cores), top


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--storm", required=True, help="which storm: " + ", ".join(TARGETS))
    parser.add_argument("--programs", type=int, required=True)
    parser.add_argument("--window", type=int, required=True)
    parser.add_argument("--cores", type=int, default=os.cpu_count())
    parser.add_argument("--quiet-percent", type=float, required=True,
                        help="the share of the cores other programs may take during a run")
    parser.add_argument("--png", required=True)
    parser.add_argument("--idle", required=True, help="driver record of the idle probes")
    parser.add_argument("--alone-logs", required=True,
                        help="folder of the log of one program run alone")
    parser.add_argument("--alone-watch", required=True, help="cpu_watch.py record of that run")
    for key, _, _ in RUNS:
        parser.add_argument(f"--{key}", required=True, help="driver record")
        parser.add_argument(f"--{key}-logs", required=True, help="folder of the programs' logs")
        parser.add_argument(f"--{key}-watch", required=True, help="cpu_watch.py record")
    args = vars(parser.parse_args(argv))
    runs = {}
    try:
        idle = read_run(args["idle"])
        alone = alone_time(read_loads(args["alone_logs"], 0, 1))
        for key, _, _ in RUNS:
            runs[key] = read_run(args[key])
            runs[key].loads = read_loads(args[f"{key}_logs"], runs[key].t0, args["programs"])
    except RunError as e:
        print(f"storm: {e}", file=sys.stderr)
        return 1
    print(report(args["storm"], idle, runs, args["programs"], args["window"], alone,
                 args["cores"]))
    for key, name in [("alone", "one program alone")] + [(k, n) for k, n, _ in RUNS]:
        share, top = read_watch(args[f"{key}_watch"], args["cores"])
        note = ""
        if share * 100 > args["quiet_percent"]:
            note = f" ({top}): the machine was not quiet, run again"
        print(f"other programs took {share:.0%} of the cores during the run {name}{note}")
    with open(args["png"], "wb") as f:
        f.write(plot(args["storm"], runs, args["programs"], args["window"]).png())
    print(f"plot: {args['png']}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
