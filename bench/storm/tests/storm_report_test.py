#!/usr/bin/env python3
"""The storm benchmark's figures and plot, on records made up for the purpose."""

import contextlib
import io
import os
import struct
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import storm_report as sr  # noqa: E402


def write(folder, name, text):
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write(text)
    return path


def run(latencies, loads=(), t0=1000.0):
    r = sr.Run(t0, [(float(i), lat) for i, lat in enumerate(latencies)], [])
    r.loads = list(loads)
    return r


class Percentiles(unittest.TestCase):
    def test_nearest_rank(self):
        self.assertEqual(sr.percentile([7.0], 95), 7.0)
        self.assertEqual(sr.percentile(range(1, 21), 95), 19)
        self.assertEqual(sr.percentile(range(1, 22), 95), 20)
        self.assertEqual(sr.percentile(range(1, 101), 95), 95)
        self.assertEqual(sr.percentile([5, 1, 4, 2, 3], 50), 3)

    def test_figures_of_a_run(self):
        f = sr.figures(run([0.1, 0.4, 0.2, 0.3], loads=[(0.5, 3.0), (4.5, 7.5)]))
        self.assertAlmostEqual(f["median"], 0.25)
        self.assertEqual(f["p95"], 0.4)
        self.assertEqual(f["max"], 0.4)
        self.assertEqual(f["probes"], 4)
        self.assertEqual(f["last_start"], 4.5)
        self.assertEqual(f["storm_over"], 7.5)

    def test_verdict_on_and_around_the_target(self):
        idle = run([0.2])
        fixed = run([0.5], loads=[(33.0, 36.0)])

        def present(p95, over):
            paced = run([p95], loads=[(1.0, 4.0), (26.0, over)])
            return sr.report("present", idle, {"all": run([0.72]), "fixed": fixed,
                                               "waitidle": paced}, 8, 45, 3.0, 2)

        met = present(0.24, 30.0)
        self.assertIn("target (present): probe p95, WaitIdle / idle, no storm 1.20 (<= 1.20): met",
                      met)
        self.assertIn("target (present): storm over, WaitIdle / floor 1.25 (<= 1.25): met", met)
        self.assertIn("target (present): probe p95, WaitIdle / all at once 0.33 (<= 0.33): met",
                      met)
        missed = present(0.25, 30.1)
        self.assertIn("idle, no storm 1.25 (<= 1.20): NOT met", missed)
        self.assertIn("floor 1.25 (<= 1.25): NOT met", missed)
        self.assertIn("all at once 0.35 (<= 0.33): NOT met", missed)

    def test_each_storm_has_its_own_targets(self):
        idle = run([0.2])
        runs = {"all": run([3.0], loads=[(0.1, 9.0)]), "fixed": run([1.5], loads=[(33.0, 34.0)]),
                "waitidle": run([0.9], loads=[(16.0, 17.0)])}
        heavy = sr.report("heavy", idle, runs, 6, 80, 10.0, 2)
        self.assertIn("probe p95, WaitIdle / Tarnwick, fixed delays 0.60 (<= 0.60): met", heavy)
        self.assertIn("storm over, WaitIdle / floor 0.28 (<= 1.25): met", heavy)
        self.assertIn("probe p95, WaitIdle / all at once", heavy)
        self.assertNotIn("last program started, WaitIdle", heavy)
        light = sr.report("light", idle, runs, 8, 45, 0.3, 2)
        self.assertIn("last program started, WaitIdle / Tarnwick, fixed delays 0.48 (<= 0.50): "
                      "met", light)
        self.assertIn("probe p95, WaitIdle / idle, no storm 4.50 (<= 1.20): NOT met", light)
        # Light programs do not slow the probe even all at once: nothing to take a third of.
        self.assertNotIn("WaitIdle / all at once", light)
        self.assertNotIn("probe p95, WaitIdle / Tarnwick", light)
        self.assertNotIn("WaitIdle / floor", light)
        present = sr.report("present", idle, runs, 8, 45, 3.0, 2)
        self.assertNotIn("last program started, WaitIdle", present)

    def test_a_start_after_the_window_is_called_out(self):
        runs = {"all": run([3.0], loads=[(0.1, 9.0)]), "fixed": run([1.0], loads=[(33.0, 36.0)]),
                "waitidle": run([0.5], loads=[(50.0, 53.0)])}
        out = sr.report("present", run([0.2]), runs, 8, 45, 3.0, 2)
        self.assertIn("the run Tarnwick, WaitIdle started a program after the watch window", out)
        self.assertNotIn("the run Tarnwick, fixed delays started", out)


class Floor(unittest.TestCase):
    """The soonest a storm can be over with one processor left to the user."""

    def test_every_processor_but_one_shares_the_work(self):
        self.assertEqual(sr.storm_floor(8, 3.0, 2), 24.0)
        self.assertEqual(sr.storm_floor(6, 10.0, 4), 20.0)
        self.assertAlmostEqual(sr.storm_floor(8, 3.5, 8), 4.0)

    def test_a_single_processor_does_it_all(self):
        self.assertEqual(sr.storm_floor(8, 3.0, 1), 24.0)

    def test_the_time_alone_is_the_programs_own_span(self):
        self.assertEqual(sr.alone_time([(2.0, 5.25)]), 3.25)
        with self.assertRaises(ValueError):
            sr.alone_time([(2.0, 5.0), (6.0, 9.0)])

    def test_the_report_sets_each_run_against_the_floor(self):
        runs = {"all": run([3.0], loads=[(0.1, 36.0)]), "fixed": run([0.3], loads=[(33.0, 37.2)]),
                "waitidle": run([0.2], loads=[(2.0, 28.8)])}
        out = sr.report("present", run([0.2]), runs, 8, 45, 3.0, 2)
        self.assertIn("floor: 8 programs x 3.00 s alone / (2 - 1) processors = 24.0 s\n", out)
        rows = {line[:26].strip(): line.split()[-1] for line in out.splitlines()[4:7]}
        self.assertEqual(rows, {"all at once": "1.50",
                                "Tarnwick, fixed delays": "1.55", "Tarnwick, WaitIdle": "1.20"})
        self.assertIn("storm over, WaitIdle / floor 1.20 (<= 1.25): met", out)
        single = sr.report("present", run([0.2]), runs, 8, 45, 3.0, 1)
        self.assertIn("floor: 8 programs x 3.00 s alone on 1 processor = 24.0 s\n", single)
        eight = sr.report("heavy", run([0.2]), runs, 8, 45, 3.5, 8)
        self.assertIn("/ (8 - 1) processors = 4.0 s\n", eight)
        self.assertIn("storm over, WaitIdle / floor 7.20 (<= 1.25): NOT met", eight)


class Records(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.dir = self.folder.name

    def tearDown(self):
        self.folder.cleanup()

    def test_a_driver_record_in_seconds(self):
        path = write(self.dir, "r.txt", "t0 5000.5\nprobe 0.5 250.0 0\nprobe 1000.0 1500.0 0\n"
                     "exit 0 0\nexit 1 0\n")
        r = sr.read_run(path)
        self.assertEqual(r.t0, 5000.5)
        self.assertEqual(r.probes, [(0.0005, 0.25), (1.0, 1.5)])
        self.assertEqual(r.exits, [0, 0])

    def test_failures_in_a_record_invalidate_the_run(self):
        for text in (
            "t0 1\nprobe 0 250 3\n",  # a probe that did not do its work
            "t0 1\nprobe 0 250 0\nexit 0 1\n",  # a storm program that failed
            "t0 1\nprobe 0 250\n",  # a cut line
            "probe 0 250 0\n",  # no time 0
            "t0 1\n",  # no probe
            "t0 1\nprobe 0 250 0\nnoise\n",
        ):
            with self.subTest(text=text):
                with self.assertRaises(sr.RunError):
                    sr.read_run(write(self.dir, "r.txt", text))

    def test_load_logs_from_time_zero_in_start_order(self):
        logs = os.path.join(self.dir, "logs")
        os.mkdir(logs)
        write(logs, "01.txt", "15000 18000\n")
        write(logs, "02.txt", "11000 14500\n")
        self.assertEqual(sr.read_loads(logs, 10000, 2), [(1.0, 4.5), (5.0, 8.0)])
        with self.assertRaises(sr.RunError):
            sr.read_loads(logs, 10000, 3)


class WholeReport(unittest.TestCase):
    """The report from the files the benchmark leaves, as the script calls it."""

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        d = self.folder.name
        write(d, "idle.txt", "t0 0\nprobe 0 200 0\n")
        write(d, "all.txt", "t0 0\nprobe 0 900 0\nprobe 1000 300 0\nexit 0 0\n")
        write(d, "fixed.txt", "t0 0\nprobe 0 400 0\nprobe 1000 300 0\nexit 0 0\n")
        write(d, "waitidle.txt", "t0 0\nprobe 0 200 0\nprobe 1000 250 0\nexit 0 0\n")
        for key, start in (("alone", 700), ("all", 100), ("fixed", 5000), ("waitidle", 2000)):
            os.mkdir(os.path.join(d, key))
            write(os.path.join(d, key), "01.txt", f"{start} {start + 3000}\n")
        self.args = ["--storm", "present", "--programs", "1", "--window", "9", "--cores", "2",
                     "--quiet-percent", "5", "--png", os.path.join(d, "p.png"),
                     "--idle", os.path.join(d, "idle.txt"),
                     "--alone-logs", os.path.join(d, "alone"),
                     "--alone-watch", os.path.join(d, "alone-watch.txt")]
        for key in ("all", "fixed", "waitidle"):
            self.args += [f"--{key}", os.path.join(d, f"{key}.txt"),
                          f"--{key}-logs", os.path.join(d, key),
                          f"--{key}-watch", os.path.join(d, f"{key}-watch.txt")]

    def tearDown(self):
        self.folder.cleanup()

    def run_main(self, all_others, waitidle_others):
        d = self.folder.name
        write(d, "alone-watch.txt", "0.1 3.0 5.0\n")
        write(d, "all-watch.txt", f"{all_others} 30.0 50.0\n")
        write(d, "fixed-watch.txt", "0.0 30.0 50.0\n")
        write(d, "waitidle-watch.txt", f"{waitidle_others} 30.0 50.0\n9.5 cc1plus\n2.25 make\n")
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            code = sr.main(self.args)
        return code, out.getvalue()

    def test_figures_and_plot_on_a_quiet_machine(self):
        code, out = self.run_main(1.0, 5.0)
        self.assertEqual(code, 0)
        self.assertIn("floor: 1 programs x 3.00 s alone / (2 - 1) processors = 3.0 s", out)
        self.assertIn("probe p95, WaitIdle / all at once 0.28 (<= 0.33): met", out)
        self.assertIn("storm over, WaitIdle / floor 1.67 (<= 1.25): NOT met", out)
        self.assertIn("took 1% of the cores during the run one program alone\n", out)
        self.assertIn("took 1% of the cores during the run all at once\n", out)
        self.assertIn("took 5% of the cores during the run Tarnwick, WaitIdle\n", out)
        self.assertNotIn("not quiet", out)
        self.assertTrue(os.path.getsize(os.path.join(self.folder.name, "p.png")) > 0)

    def test_a_busy_neighbour_is_called_out(self):
        code, out = self.run_main(0.0, 12.0)
        self.assertEqual(code, 0)
        self.assertIn("took 12% of the cores during the run Tarnwick, WaitIdle (cc1plus 9.5 s, "
                      "make 2.2 s): the machine was not quiet", out)

    def test_a_missing_program_fails_the_report(self):
        os.remove(os.path.join(self.folder.name, "waitidle", "01.txt"))
        err = io.StringIO()
        with contextlib.redirect_stderr(err), contextlib.redirect_stdout(io.StringIO()):
            self.assertEqual(self.run_main(0.0, 0.0)[0], 1)
        self.assertIn("0 of 1 start-up programs ran", err.getvalue())


def decode_png(data):
    """Width, height and RGB rows of an 8-bit RGB PNG with filter 0, checking every CRC."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, chunks = 8, {}
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        assert crc == zlib.crc32(kind + body), kind
        chunks[kind] = chunks.get(kind, b"") + body
        pos += 12 + length
    width, height, depth, color, _, _, _ = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    assert (depth, color) == (8, 2) and b"IEND" in chunks
    raw = zlib.decompress(chunks[b"IDAT"])
    assert len(raw) == height * (1 + 3 * width)
    rows = [raw[y * (1 + 3 * width):(y + 1) * (1 + 3 * width)] for y in range(height)]
    assert all(row[0] == 0 for row in rows)
    return width, height, [row[1:] for row in rows]


class Picture(unittest.TestCase):
    def test_every_glyph_is_five_by_seven(self):
        for char, rows in sr.FONT.items():
            self.assertEqual([len(r) for r in rows], [5] * 7, char)

    def test_png_holds_exactly_the_drawn_pixels(self):
        canvas = sr.Canvas(7, 4)
        canvas.set(2, 1, (10, 20, 30))
        canvas.set(9, 9, (1, 2, 3))  # outside: ignored
        width, height, rows = decode_png(canvas.png())
        self.assertEqual((width, height), (7, 4))
        self.assertEqual(rows[1][6:9], bytes((10, 20, 30)))
        self.assertEqual(sum(1 for row in rows for b in row if b != 255), 3)

    def test_plot_draws_every_run(self):
        runs = {"all": run([2.0, 3.0, 0.3], loads=[(0.1, 12.0)]),
                "fixed": run([0.2, 0.3, 0.2], loads=[(5.0, 8.0)]),
                "waitidle": run([0.2, 0.2, 0.2], loads=[(2.0, 50.0)])}  # past the window
        width, height, rows = decode_png(sr.plot("heavy", runs, 8, 45).png())
        colours = {bytes(row[3 * x:3 * x + 3]) for row in rows for x in range(width)}
        for colour in (sr.RED, sr.BLUE, sr.GREEN):
            self.assertIn(bytes(colour), colours)

    def test_nice_steps(self):
        self.assertEqual(sr.nice_step(45, 10), 5)
        self.assertEqual(sr.nice_step(3.3, 6), 1)
        self.assertAlmostEqual(sr.nice_step(0.4, 6), 0.1)


if __name__ == "__main__":
    unittest.main()
