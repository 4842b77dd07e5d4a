#!/usr/bin/env python3
"""marlsim --test with 100 script cases in one process, beside the slowest
single case's time measured in the same run, and beside that case run on
its own.

    bench/runner_bench.py [MARLSIM] [CASES]

The cases are the demo's regression scripts (tests/demo) copied to make up
the number, half of them with a think time (`sleep 200ms`) as a person's
session has: the run's whole time should stay a small multiple of its
slowest case, since the cases run at once rather than one after another.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.join(HERE, "..", "tests", "demo")
LINE = re.compile(r"^(pass|FAIL)  (\S+)  (\d+(?:\.\d+)?)(ms|s)\b")


def make_cases(folder, count):
    scripts = sorted(f for f in os.listdir(DEMO) if f.endswith(".txt"))
    for f in os.listdir(DEMO):
        if f.endswith(".golden"):
            shutil.copy(os.path.join(DEMO, f), folder)
    for i in range(count):
        name = scripts[i % len(scripts)]
        with open(os.path.join(DEMO, name)) as src:
            text = src.read()
        if i % 2 == 1:
            text += "sleep 200ms\n"
        with open(os.path.join(folder, "case%03d_%s" % (i, name)), "w") as out:
            out.write(text)


def run(marlsim, paths):
    args = [marlsim, "--demo", "--size", "20x16"]
    for p in paths:
        args += ["--test", p]
    start = time.monotonic()
    done = subprocess.run(args, capture_output=True, text=True)
    wall = time.monotonic() - start
    cases = {}
    for line in done.stdout.splitlines():
        m = LINE.match(line)
        if m:
            seconds = float(m.group(3)) / (1000 if m.group(4) == "ms" else 1)
            cases[m.group(2)] = (m.group(1), seconds)
    return done.returncode, wall, cases, done.stdout.splitlines()[-1:]


def main():
    marlsim = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build", "marlsim")
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    folder = tempfile.mkdtemp(prefix="marl-runner-bench-")
    try:
        make_cases(folder, count)
        status, wall, cases, last = run(marlsim, [folder])
        if status != 0 or len(cases) != count:
            print("the run failed:", status, last, file=sys.stderr)
            return 1
        slowest_name, (_, slowest) = max(cases.items(), key=lambda kv: kv[1][1])
        alone_status, alone_wall, alone, _ = run(
            marlsim, [os.path.join(folder, slowest_name + ".txt")])
        alone_case = alone.get(slowest_name, ("", 0.0))[1]
        print("%d cases with --test in one process: %.3f s wall (%s)" % (count, wall, last[0]))
        print("slowest case in that run: %s, %.3f s" % (slowest_name, slowest))
        print("ratio, whole run / slowest case: %.2fx (target: a small multiple, <= 5x)" %
              (wall / slowest if slowest else float("inf")))
        print("the same case alone: %.3f s as a case, %.3f s wall with start-up" %
              (alone_case, alone_wall))
        return 0 if slowest and wall / slowest <= 5 else 2
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
