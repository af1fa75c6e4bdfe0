#!/usr/bin/env python3
"""Reports the benchmarks of two builds measured in one run.

Reads <side>.<program>.<round>.json (Google Benchmark's JSON output) from the
folder given, sides "old" and "new", and prints for each benchmark the median
real time of each side over the rounds, the ratio of the medians new/old, and
the range of the per-round ratios: a round runs old then new right after, so
its ratio is measured under one machine load, and the range is the noise.
"""
import json
import pathlib
import statistics
import sys


def load(folder):
    times = {}  # (program, benchmark) -> side -> [seconds per round]
    for path in sorted(folder.glob("*.json")):
        side, program, round_ = path.stem.split(".")
        with open(path, encoding="utf-8") as file:
            report = json.load(file)
        scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
        for bench in report["benchmarks"]:
            if bench.get("run_type", "iteration") != "iteration":
                continue
            seconds = bench["real_time"] * scale[bench["time_unit"]]
            times.setdefault((program, bench["name"]), {}).setdefault(side, {})[round_] = seconds
    return times


def show(seconds):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6)):
        if seconds >= scale:
            return f"{seconds / scale:.3g} {unit}"
    return f"{seconds / 1e-9:.3g} ns"


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: compare_runs.py <folder of results>")
    folder = pathlib.Path(sys.argv[1])
    times = load(folder)
    if not times:
        sys.exit(f"compare_runs.py: no results in {folder}")
    print(f"{'benchmark':58} {'old':>10} {'new':>10} {'new/old':>8}  per-round range")
    missing = 0
    for (program, name), sides in sorted(times.items()):
        old, new = sides.get("old", {}), sides.get("new", {})
        rounds = sorted(set(old) & set(new))
        label = f"{program}/{name}"
        if not rounds:
            print(f"{label:58} only in the {'old' if old else 'new'} build")
            missing += 1
            continue
        old_median = statistics.median(old[r] for r in rounds)
        new_median = statistics.median(new[r] for r in rounds)
        ratios = [new[r] / old[r] for r in rounds]
        print(f"{label:58} {show(old_median):>10} {show(new_median):>10} "
              f"{new_median / old_median:8.3f}  {min(ratios):.3f}-{max(ratios):.3f}")
    if missing:
        print(f"{missing} benchmark(s) ran in one build only: their names differ between the trees")


if __name__ == "__main__":
    main()
