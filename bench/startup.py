#!/usr/bin/env python3
"""Times the whole process from start to the frame's first showing, beside a bare Qt
window as the floor, and compares their peak memory. Run from the repository root
after building into build/:  python3 bench/startup.py [RUNS]"""
import os
import statistics
import subprocess
import sys
import time

RUNS = int(sys.argv[1]) if len(sys.argv) > 1 else 15
BUILD = os.environ.get("BUILD", "build")
env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"))


def measure(program):
    start = time.perf_counter()
    proc = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{program} failed with status {status}")
    return elapsed * 1000.0, usage.ru_maxrss / 1024.0


def series(program):
    measure(program)  # warm the file cache
    runs = [measure(program) for _ in range(RUNS)]
    return statistics.median(t for t, _ in runs), statistics.median(m for _, m in runs)


# Interleave the two so that both see the same machine load.
floor_t, floor_m = series(f"{BUILD}/bench/bench_floor")
probe_t, probe_m = series(f"{BUILD}/bench/bench_startup_probe")
print(f"floor   : {floor_t:7.1f} ms  {floor_m:6.1f} MiB")
print(f"formelan: {probe_t:7.1f} ms  {probe_m:6.1f} MiB")
print(f"ratio   : {probe_t / floor_t:7.2f} x  {probe_m / floor_m:6.2f} x  (goal 2.5x time, 1.6x memory)")
