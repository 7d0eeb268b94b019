#!/usr/bin/python3
"""gxrm select of every 框架柱 to CSV, and gxrm apply of that CSV with 1 000
changed cells, each against gxrm info on the benchmarks' large model
(targets: select at most 1.5 times info, apply at most 3 times). Each command
runs as a user runs it; the ratios compare the children's CPU times of the
fastest of several runs.

    /usr/bin/python3 bench/sheet_bench.py --gxrm build/bin/gxrm \
        --writer build/bin/large_model_file --floors 50
"""

import argparse
import csv
import os
import resource
import subprocess
import tempfile

CHANGED_CELLS = 1000


def cpu_seconds(*args):
    """The CPU time of one gxrm run, output discarded."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def fastest(runs, *args):
    return min(cpu_seconds(*args) for _ in range(runs))


def change_cells(table, count):
    """Appends a mark to `count` filled attribute cells of the CSV, row by row."""
    with open(table, encoding="utf-8-sig", newline="") as f:
        rows = list(csv.reader(f))
    attributes = [c for c, name in enumerate(rows[0]) if "." in name]
    changed = 0
    for row in rows[1:]:
        for c in attributes:
            if changed < count and row[c]:
                row[c] += "x"
                changed += 1
    with open(table, "w", encoding="utf-8-sig", newline="") as f:
        csv.writer(f).writerows(rows)
    return changed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--gxrm", required=True)
    parser.add_argument("--writer", required=True, help="the large_model_file program")
    parser.add_argument("--floors", type=int, default=3)
    parser.add_argument("--runs", type=int, default=3)
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        model, table, edited, out = (os.path.join(tmp, n) for n in ("m.gxrm", "t.csv", "e.csv", "o.gxrm"))
        subprocess.run([options.writer, model, f"--floors={options.floors}"], check=True)
        subprocess.run([options.gxrm, "select", model, "type=框架柱", "-o", table], check=True)
        subprocess.run(["cp", table, edited], check=True)
        changed = change_cells(edited, CHANGED_CELLS)
        info = fastest(options.runs, options.gxrm, "info", model)
        select = fastest(options.runs, options.gxrm, "select", model, "type=框架柱", "-o", table)
        apply = fastest(options.runs, options.gxrm, "apply", model, edited, "-o", out)
    print(f"model: {options.floors} floors; {changed} cells changed")
    print(f"info {info:.3f} s, select {select:.3f} s, apply {apply:.3f} s (CPU, fastest of {options.runs})")
    for what, ratio, target in (("select / info", select / info, 1.5), ("apply / info", apply / info, 3.0)):
        print(f"{what}: {ratio:.2f} (target at most {target}) {'ok' if ratio <= target else 'MISSED'}")


if __name__ == "__main__":
    main()
