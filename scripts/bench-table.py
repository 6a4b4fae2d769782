#!/usr/bin/env python3
"""Prints the benchmark table from the result files of scripts/bench.sh.

Each result is one side of a pair named "job:size:movara" or "job:size:floor"
(Google Benchmark's JSON, or the same fields written by the script for the
native references). Times are CPU time per iteration, which other programs on
a shared machine disturb less than wall time; a name ending in "/real_time"
or "/manual_time" was timed by the clock (archives and processes, whose cost
is the system's).
"""
import json
import sys
from pathlib import Path

# job -> (goal ratio, how the goal reads). A goal of None only reports.
GOALS = {
    "parse request": (1.5, "<= 1.5x"),
    "bridge call": (1.5, "<= 1.5x"),
    "bridge per element": (1.3, "<= 1.3x growth"),
    "value XML": (1.5, "<= 1.5x"),
    "settings DOM": (1.0, "<= 1x"),
    "SWF is AS3": (1.2, "<= 1.2x"),
    "archive create 1 KB files": (1.5, "<= 1.5x"),
    "archive extract 1 KB files": (2.0, "<= 2x"),
    "archive create large files": (1.25, "<= 1.25x"),
    "archive extract large files": (1.25, "<= 1.25x"),
    "directory listing": (2.0, "<= 2x"),
}
# side -> (label, what the reference does); reported beside the floor.
REPORTED_REFERENCES = {
    "copy": ("copy", "one copy of the finished bytes"),
    "keeping": ("keeping", "the bare parse keeping its texts in new memory"),
}
UNIT_SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def seconds(entry):
    unit = UNIT_SECONDS[entry.get("time_unit", "ns")]
    # Benchmarks that time themselves ("/manual_time") are clock times too.
    clock = "real_time" if entry["name"].endswith(("/real_time", "/manual_time")) else "cpu_time"
    return entry[clock] * unit


def show(value):
    if value is None:
        return "-"
    for limit, unit, scale in ((1e-3, "us", 1e6), (1.0, "ms", 1e3)):
        if value < limit:
            return f"{value * scale:.1f} {unit}"
    return f"{value:.2f} s"


def load(directory):
    sides = {}
    extras = []
    for path in sorted(Path(directory).glob("*.json")):
        text = path.read_text(errors="replace").strip()
        if not text:  # a program none of whose benchmarks the filter chose
            continue
        data = json.loads(text)
        for entry in data.get("benchmarks", []):
            if entry.get("run_type") == "aggregate" or entry.get("error_occurred"):
                continue
            parts = entry["name"].split(":", 2)
            if len(parts) == 3:
                # Options that Google Benchmark adds to the name ("/iterations:3/real_time").
                parts[2] = parts[2].split("/")[0]
                key = (parts[0], parts[1], parts[2])
                # Of repeated runs, the fastest: the one other load disturbed least.
                if key not in sides or seconds(entry) < seconds(sides[key]):
                    sides[key] = entry
        extras.extend(data.get("rows", []))
    return sides, extras


def verdict(ratio, goal):
    if goal is None:
        return "reported"
    return "within goal" if ratio <= goal else f"OVER goal by {ratio / goal:.2f}x"


def per_element_row(sides):
    """How the bridge's cost per array element grows from 1,000 to 100,000."""
    costs = {}
    for count in (1000, 10000, 100000):
        entry = sides.get(("bridge call", f"{count} numbers", "movara"))
        if entry:
            costs[count] = seconds(entry) / count
    if 1000 not in costs or 100000 not in costs:
        return None
    ratio = costs[100000] / costs[1000]
    detail = ", ".join(f"{n}: {show(c)}" for n, c in sorted(costs.items()))
    return ["bridge per element", "1000 -> 100000", show(costs[100000]), show(costs[1000]), ratio,
            GOALS["bridge per element"], f"{verdict(ratio, GOALS['bridge per element'][0])} ({detail})"]


def tar_rows(sides):
    """Archive creation against GNU tar running natively: reported only, as
    its per-file cost is Linux's and not the Windows file API's."""
    rows = []
    for (job, size, side), entry in sides.items():
        movara = sides.get((job, size, "movara"))
        if side == "tar" and movara:
            m, t = seconds(movara), seconds(entry)
            rows.append([job + " (native GNU tar)", size, show(m), show(t), m / t if t > 0 else float("inf"),
                         (None, "report"), "reported"])
    return rows


def main():
    sides, extras = load(sys.argv[1])
    rows = []
    seen = []
    for job, size, side in sides:
        if (job, size) not in seen:
            seen.append((job, size))
    for job, size in seen:
        movara = sides.get((job, size, "movara"))
        floor = sides.get((job, size, "floor"))
        if not movara or not floor:
            continue
        m, f = seconds(movara), seconds(floor)
        ratio = m / f if f > 0 else float("inf")
        if job == "start-up":
            # Its goal is a margin over the floor, not a ratio.
            late = m - f
            rows.append([job, size, show(m), show(f), ratio, (None, "floor + 0.3 s"),
                         f"{'within goal' if late <= 0.3 else 'OVER goal'} ({show(late)} after the floor)"])
            continue
        goal = GOALS.get(job, (None, "report"))
        rows.append([job, size, show(m), show(f), ratio, goal, verdict(ratio, goal[0])])
    for (job, size, side), entry in sides.items():
        if side == "bytes":
            count = entry.get("bytes_read", 0)
            rows.append([job, size, f"{count:.0f} bytes read", "-", None, (None, "a few KB"),
                         "within goal" if count <= 8192 else "OVER goal: reads more than 8 KB"])
    for (job, size, side), entry in sides.items():
        # Second references that only report: value XML against one copy of
        # its finished bytes, which formats nothing; request parsing against
        # the bare parse that also keeps its texts, as any values must.
        movara = sides.get((job, size, "movara"))
        if side in REPORTED_REFERENCES and movara:
            label, reference = REPORTED_REFERENCES[side]
            c = seconds(entry)
            rows.append([job + " vs " + label, size, show(seconds(movara)), show(c),
                         seconds(movara) / c if c > 0 else float("inf"), (None, "report"),
                         f"reported (reference: {reference})"])
    rows.extend(tar_rows(sides))
    element_row = per_element_row(sides)
    if element_row:
        rows.append(element_row)
    for extra in extras:
        rows.append([extra["job"], extra["size"], extra["movara"], extra["reference"], extra.get("ratio"),
                     (None, extra.get("goal", "report")), extra["verdict"]])

    header = ["job", "size", "Movara", "reference", "ratio", "goal", "verdict"]
    table = [header] + [[r[0], r[1], r[2], r[3], "-" if r[4] is None else f"{r[4]:.2f}x", r[5][1], r[6]]
                        for r in rows]
    widths = [max(len(str(line[i])) for line in table) for i in range(len(header) - 1)]
    for n, line in enumerate(table):
        print("  ".join(str(cell).ljust(widths[i]) for i, cell in enumerate(line[:-1])) + "  " + line[-1])
        if n == 0:
            print("  ".join("-" * w for w in widths) + "  " + "-" * 7)


if __name__ == "__main__":
    main()
