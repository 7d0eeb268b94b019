#!/usr/bin/python3
"""gxrm info against xmlwf (expat's own well-formedness checker) on the
benchmarks' large model (target: info's wall time at most 1.2 times xmlwf's).
The two commands run in turn, as a user runs them, and each ratio compares the
fastest of the runs; beside the wall times stand the CPU times and each
command's peak memory (the child's own ru_maxrss).

    /usr/bin/python3 bench/info_bench.py --gxrm build/bin/gxrm \
        --writer build/bin/large_model_file --floors 50
"""

import argparse
import os
import subprocess
import tempfile
import time

TARGET = 1.2


def run(*args):
    """One run, output discarded: (wall seconds, CPU seconds, peak KiB)."""
    start = time.perf_counter()
    child = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    output = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        raise SystemExit(f"{args[0]} failed ({child.returncode}): {output[-500:].decode(errors='replace')}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--gxrm", required=True)
    parser.add_argument("--writer", required=True, help="the large_model_file program")
    parser.add_argument("--xmlwf", default="/usr/bin/xmlwf")
    parser.add_argument("--floors", type=int, default=3)
    parser.add_argument("--runs", type=int, default=5)
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        model = os.path.join(tmp, "m.gxrm")
        subprocess.run([options.writer, model, f"--floors={options.floors}"], check=True)
        # xmlwf names what it refuses on standard output, and says nothing else.
        if subprocess.run([options.xmlwf, model], capture_output=True, check=True).stdout:
            raise SystemExit("xmlwf refuses the model")
        commands = {"gxrm info": [options.gxrm, "info", model], "xmlwf": [options.xmlwf, model]}
        runs = {name: [] for name in commands}
        for _ in range(options.runs):
            for name, command in commands.items():
                runs[name].append(run(*command))
        size = os.path.getsize(model)
    print(f"model: {options.floors} floors, {size / 1e6:.1f} MB; fastest of {options.runs} runs each")
    best = {}
    for name, results in runs.items():
        best[name] = min(r[0] for r in results)
        cpu = min(r[1] for r in results)
        peak = max(r[2] for r in results)
        print(f"{name:10} wall {best[name]:.3f} s, CPU {cpu:.3f} s, peak memory {peak / 1024:.1f} MiB")
    ratio = best["gxrm info"] / best["xmlwf"]
    print(f"wall gxrm info / xmlwf: {ratio:.2f} (target at most {TARGET}) {'ok' if ratio <= TARGET else 'MISSED'}")


if __name__ == "__main__":
    main()
