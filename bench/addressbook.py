#!/usr/bin/env python3
"""The whole program with ROWS parties in each table of its address book, beside the same
program with an empty book and a bare Qt window, in one run: start to the frame's first
full painting (each start of the full book is compared with the empty-book start run next
to it), peak memory; then, with the full book, adding a party, opening the name lists,
a search keystroke, and the peak memory of all that. Run from the repository root after
building into build/:
    python3 bench/addressbook.py [ROWS] [RUNS] [MEASURES]"""
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

ROWS = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 25
MEASURES = int(sys.argv[3]) if len(sys.argv) > 3 else 5
BUILD = os.environ.get("BUILD", "build")

with tempfile.TemporaryDirectory(dir=os.environ.get("BOOK_DIR")) as root:
    def home(name):
        path = os.path.join(root, name)
        os.makedirs(path)
        return dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"),
                    HOME=path, XDG_DATA_HOME=os.path.join(path, "data"),
                    XDG_CONFIG_HOME=os.path.join(path, "config"))

    empty, full = home("empty"), home("full")
    t0 = time.perf_counter()
    for env, rows in ((empty, 0), (full, ROWS)):
        book = os.path.join(env["XDG_DATA_HOME"], "Formelan", "base.mdb")
        subprocess.run([f"{BUILD}/bench/bench_addressbook", "generate", book, str(rows)],
                       env=env, check=True, stderr=subprocess.DEVNULL)
    print(f"generated {ROWS} parties in each table in {time.perf_counter() - t0:.1f} s")

    def measure(cmd, env):
        start = time.perf_counter()
        proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        if status != 0:
            sys.exit(f"{cmd[0]} failed with status {status}")
        cpu = (usage.ru_utime + usage.ru_stime) * 1000.0
        return (time.perf_counter() - start) * 1000.0, usage.ru_maxrss / 1024.0, cpu

    floor = [f"{BUILD}/bench/bench_floor", "--paint"]
    probe = [f"{BUILD}/bench/bench_startup_probe", "--paint"]
    for cmd, env in ((floor, empty), (probe, empty), (probe, full)):
        measure(cmd, env)  # warm the file cache
    runs = [(measure(floor, empty), measure(probe, empty), measure(probe, full))
            for _ in range(RUNS)]

    def med(i, j):
        return statistics.median(r[i][j] for r in runs)

    ratio = statistics.median(r[2][0] / r[1][0] for r in runs)
    cpu_ratio = statistics.median(r[2][2] / r[1][2] for r in runs)
    print(f"bare Qt window     : {med(0, 0):7.1f} ms  {med(0, 1):6.1f} MiB")
    print(f"start, empty book  : {med(1, 0):7.1f} ms  {med(1, 1):6.1f} MiB  "
          f"({statistics.median(r[1][0] / r[0][0] for r in runs):.2f}x the bare window)")
    print(f"start, {ROWS} rows: {med(2, 0):7.1f} ms  {med(2, 1):6.1f} MiB")
    print(f"ratio to the empty book, same run: {ratio:.2f}x (goal 1.3x; {RUNS} runs, "
          f"min {min(r[2][0] / r[1][0] for r in runs):.2f}, "
          f"max {max(r[2][0] / r[1][0] for r in runs):.2f})")
    # Processor time, user and system, is what a busy machine disturbs least.
    print(f"processor time     : empty book {med(1, 2):6.1f} ms, {ROWS} rows {med(2, 2):6.1f} ms "
          f"({cpu_ratio:.2f}x)")
    # The timings in the program, each the median of MEASURES runs of its own (a first
    # opening happens once a run).
    outs = [subprocess.run([f"{BUILD}/bench/bench_addressbook", "measure"], env=full,
                           check=True, capture_output=True, text=True).stdout.splitlines()
            for _ in range(MEASURES)]
    number = re.compile(r"-?\d+(?:\.\d+)?")
    print(f"in the program, median of {MEASURES} runs:")
    for lines in zip(*outs):
        values = [[float(v) for v in number.findall(line)] for line in lines]
        medians = iter(statistics.median(col) for col in zip(*values))
        print(number.sub(lambda m: f"{next(medians):.{2 if '.' in m.group() else 0}f}",
                         lines[0]))
