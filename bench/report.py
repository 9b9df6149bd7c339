#!/usr/bin/env python3
"""Prints the ratios of one benchmark run from its raw output files.

report.py gbench FILE.json     Google Benchmark JSON (with repetitions): medians, ratios
report.py hyperfine FILE.json  hyperfine JSON of tolvane-cat show and grep: ratio
report.py memory FILE.txt      gui_bench memory-* lines: median peak working sets, ratio
"""
import json
import statistics
import sys

# (numerator, denominator, what the ratio compares, goal)
CATALOGUE_RATIOS = [
    ("BM_LoadIndex", "BM_ReadIndexFileInOneCall",
     "LoadIndex / one fread of the index", "goal <= 2.0"),
    ("BM_ReadRecordAndFormat", "BM_Copy300Bytes",
     "record read + details text / 300-byte copy", "no goal set"),
    ("BM_DeclarationLookup", "BM_ReadRecordAndFormat",
     "portable INI lookup / record read + details text", "no goal set"),
]


def line(name, value, unit):
    print(f"{name:<50} {value:12.3f} {unit}")


def ratio(name, value, note):
    print(f"{name:<50} {value:12.2f} ratio  ({note})")


def gbench(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    medians = {r["run_name"]: r["real_time"] for r in runs
               if r.get("aggregate_name") == "median" and r.get("time_unit") == "ns"}
    for name, value in medians.items():
        line(name, value / 1e3, "us (median)")
    for top, bottom, what, goal in CATALOGUE_RATIOS:
        if top in medians and bottom in medians:
            ratio(what, medians[top] / medians[bottom], goal)


def hyperfine(path):
    with open(path) as f:
        results = json.load(f)["results"]
    cat, grep = results[0], results[1]
    line("tolvane-cat show", cat["median"] * 1e3, "ms (median)")
    line("grep -rw the mingw-w64 headers", grep["median"] * 1e3, "ms (median)")
    ratio("grep / tolvane-cat show", grep["median"] / cat["median"], "goal >= 20")


def memory(path):
    samples = {}
    with open(path) as f:
        for text in f:
            parts = text.split()
            if len(parts) >= 2 and parts[0].endswith(".peak_working_set"):
                samples.setdefault(parts[0].split(".")[1], []).append(int(parts[1]))
    peak = {what: statistics.median(values) for what, values in samples.items()}
    for what in ("gui", "bare", "none"):
        if what in peak:
            line(f"peak working set, {what} (median of {len(samples[what])})",
                 peak[what] / 2**20, "MiB")
    if "gui" in peak and "bare" in peak:
        ratio("peak working set, gui / bare", peak["gui"] / peak["bare"], "lower is better")
        if "none" in peak:
            gui, bare = peak["gui"] - peak["none"], peak["bare"] - peak["none"]
            line("  gui above no window", gui / 2**20, "MiB")
            line("  bare above no window", bare / 2**20, "MiB")
            if bare > 0:
                ratio("  gui / bare, above no window", gui / bare, "lower is better")


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("gbench", "hyperfine", "memory"):
        sys.exit(__doc__)
    {"gbench": gbench, "hyperfine": hyperfine, "memory": memory}[sys.argv[1]](sys.argv[2])
