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


# Alternate the two so that both see the same machine load; the ratio is the median of
# the ratios of neighbouring runs.
floor, probe = f"{BUILD}/bench/bench_floor", f"{BUILD}/bench/bench_startup_probe"
measure(floor)  # warm the file cache
measure(probe)
pairs = [(measure(floor), measure(probe)) for _ in range(RUNS)]
floor_t = statistics.median(f[0] for f, _ in pairs)
floor_m = statistics.median(f[1] for f, _ in pairs)
probe_t = statistics.median(p[0] for _, p in pairs)
probe_m = statistics.median(p[1] for _, p in pairs)
ratio_t = statistics.median(p[0] / f[0] for f, p in pairs)
print(f"floor   : {floor_t:7.1f} ms  {floor_m:6.1f} MiB")
print(f"formelan: {probe_t:7.1f} ms  {probe_m:6.1f} MiB")
print(f"ratio   : {ratio_t:7.2f} x  {probe_m / floor_m:6.2f} x  (goal 2.5x time, 1.6x memory)")
