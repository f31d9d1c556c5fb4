#!/usr/bin/env python3
"""Watches, during one storm run, how much CPU the rest of the machine takes.

The benchmark's machine may be shared: a compiler that starts in the middle of a run slows that
run alone and makes the comparison worthless. Every half second this reads the CPU time of every
process, keeps the largest seen per process, and tells the benchmark's own processes (those of
its Wine prefix) from the others. When stopped (SIGTERM or SIGINT, or after a quarter of an hour
if nobody stops it) it writes "<others' CPU seconds> <own CPU seconds> <watched seconds>" to OUT,
then "<CPU seconds> <name>" for the three names of other processes that took the most.
  cpu_watch.py WINEPREFIX OUT
Processes that live less than half a second are missed, and so are those that cannot be told
apart (kernel threads, processes already ended): both figures are lower bounds.
"""

import os
import signal
import sys
import time

TICKS = os.sysconf("SC_CLK_TCK")
INTERVAL = 0.5
LONGEST = 900


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        # The name in parentheses may hold spaces; user and system time follow it.
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def name_of(pid):
    with open(f"/proc/{pid}/comm") as f:
        return f.read().strip()


def is_ours(pid, marker):
    """True or False by the process's environment; None when it has none to read: a kernel
    thread (which may well be writing the benchmark's own files back) or a process that has
    already ended and waits to be reaped."""
    try:
        with open(f"/proc/{pid}/environ", "rb") as f:
            environment = f.read()
    except OSError:
        return None
    return marker in environment.split(b"\0") if environment else None


def main(prefix, out):
    marker = b"WINEPREFIX=" + prefix.encode()
    me = os.getpid()
    seen = {}  # pid -> [ours, start cpu seconds, largest cpu seconds, name]
    stop = []
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.append(True))
    began = time.monotonic()
    first = True
    while not stop and time.monotonic() - began < LONGEST:
        for name in os.listdir("/proc"):
            if not name.isdigit() or int(name) == me:
                continue
            try:
                used = cpu_seconds(name)
                command = name_of(name) if name not in seen else ""
            except (OSError, IndexError, ValueError):
                continue
            entry = seen.get(name)
            if entry is None:
                # What a process had used before the watch began does not count.
                seen[name] = [is_ours(name, marker), used if first else 0.0, used, command]
            else:
                entry[2] = max(entry[2], used)
        first = False
        time.sleep(INTERVAL)
    watched = time.monotonic() - began
    others, own, by_name = 0.0, 0.0, {}
    for ours, start, largest, command in seen.values():
        if ours:
            own += largest - start
        elif ours is False:
            others += largest - start
            by_name[command] = by_name.get(command, 0.0) + largest - start
    with open(out, "w") as f:
        f.write(f"{others:.2f} {own:.2f} {watched:.2f}\n")
        for command, used in sorted(by_name.items(), key=lambda item: -item[1])[:3]:
            f.write(f"{used:.2f} {command}\n")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
