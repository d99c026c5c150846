#!/usr/bin/env python3
"""The address book at 100,000 rows in each table: whole-process start to the frame's
first full painting beside the bare-window floor, adding a party, opening a name
list, and peak memory. Run from the repository root after building into build/:
    python3 bench/addressbook.py [ROWS] [RUNS]"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROWS = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 9
BUILD = os.environ.get("BUILD", "build")

with tempfile.TemporaryDirectory() as home:
    env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"),
               XDG_DATA_HOME=home)
    db = os.path.join(home, "Formelan", "base.mdb")
    t0 = time.perf_counter()
    subprocess.run([f"{BUILD}/bench/bench_addressbook", "generate", db, str(ROWS)], env=env, check=True,
                   stderr=subprocess.DEVNULL)
    print(f"generated {ROWS} rows in each table in {time.perf_counter() - t0:.1f} s")

    def measure(cmd):
        start = time.perf_counter()
        proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        if status != 0:
            sys.exit(f"{cmd[0]} failed with status {status}")
        return (time.perf_counter() - start) * 1000.0, usage.ru_maxrss / 1024.0

    def series(cmd):
        measure(cmd)
        runs = [measure(cmd) for _ in range(RUNS)]
        return statistics.median(t for t, _ in runs), statistics.median(m for _, m in runs)

    floor_t, floor_m = series([f"{BUILD}/bench/bench_floor", "--paint"])
    probe_t, probe_m = series([f"{BUILD}/bench/bench_startup_probe", "--paint"])
    print(f"floor    : {floor_t:7.1f} ms  {floor_m:6.1f} MiB")
    print(f"formelan : {probe_t:7.1f} ms  {probe_m:6.1f} MiB  ({probe_t / floor_t:.2f}x the floor; goal 8x, < 80 MiB)")
    out = subprocess.run([f"{BUILD}/bench/bench_addressbook", "measure"], env=env, check=True,
                         capture_output=True, text=True).stdout
    print(out, end="")
