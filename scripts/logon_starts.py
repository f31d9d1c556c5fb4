"""Checks who started each program at each log-on, from the rows scripts/logon.sh writes to
LOGS/starts.txt ("N name started-by seconds"), for the log-on scenario tests."""
import collections


def check_starts(path, expected):
    """expected: {log-on number: {program name: "Tarnwick" or "Windows"}}. Every program must
    start exactly once, by the one expected, and nothing else may start. Prints a line per log-on
    and each failure; returns (checks, failures)."""
    starts = collections.defaultdict(list)
    for line in open(path, encoding="utf-8"):
        n, name, by, _ = line.rstrip("\n").split("\t")
        starts[int(n)].append((name, by))
    checks = failures = 0
    for n in sorted(expected):
        got = collections.defaultdict(list)
        for name, by in starts[n]:
            got[name].append(by)
        print(f"log-on {n}: " + ", ".join(f"{name} by {'+'.join(got[name])}" for name in sorted(got)))
        for name, by in expected[n].items():
            checks += 1
            if got.get(name) != [by]:
                print(f"  FAILED: {name} should start once, by {by}; got {got.get(name, [])}")
                failures += 1
        checks += 1
        if got.keys() - expected[n].keys():
            print(f"  FAILED: started unexpectedly: {sorted(got.keys() - expected[n].keys())}")
            failures += 1
    return checks, failures
