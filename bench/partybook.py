#!/usr/bin/env python3
"""The address book's data layer at 100,000 parties in each table, beside an empty book,
in one run: opening the book and reading the first frame's rows (in the process and as
the whole process), adding and deleting a party, opening a name list, search per
keystroke, peak memory; then the rollback journal against the write-ahead log with a
checkpoint after each write. Run from the repository root after building into build/:
    python3 bench/partybook.py [ROWS] [RUNS]
With --server, instead: the same book in a file and on a PostgreSQL server (a throw-away
cluster started here, with PostgreSQL's default, durable settings, reached over TCP on
127.0.0.1), adding a party and opening a name list on each, alternating, side by side:
    python3 bench/partybook.py --server [ROWS] [RUNS]"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import pgserver

SERVER = "--server" in sys.argv
ARGS = [a for a in sys.argv[1:] if a != "--server"]
ROWS = int(ARGS[0]) if len(ARGS) > 0 else 100000
RUNS = int(ARGS[1]) if len(ARGS) > 1 else 15
BENCH = os.path.join(os.environ.get("BUILD", "build"), "bench", "bench_partybook")


def server_against_file():
    with tempfile.TemporaryDirectory(dir="/tmp", prefix="formelan-bench-") as home, \
            pgserver.cluster(home) as server:
        books = {
            "file": os.path.join(home, "base.mdb"),
            "server": server.book("formelan"),
        }
        for name, book in books.items():
            t0 = time.perf_counter()
            subprocess.run([BENCH, "generate", book, str(ROWS)], check=True)
            print(f"{name:6}: {ROWS} parties in each table made in "
                  f"{time.perf_counter() - t0:.1f} s")
        server.analyse("formelan")
        results = {name: [] for name in books}
        for _ in range(RUNS):  # side by side, alternating
            for name, book in books.items():
                out = subprocess.run([BENCH, "quick", book], check=True,
                                     capture_output=True, text=True).stdout.split()
                results[name].append(dict(zip(out[0::2], map(float, out[1::2]))))

        def med(name, key):
            return statistics.median(r[key] for r in results[name])

        print(f"{RUNS} runs, medians                  file      server    server/file")
        for key, what in (("add_ms", "add a party"),
                          ("names_ms", "open a name list, first screen"),
                          ("all_names_ms", "open a name list, every name")):
            f, s = med("file", key), med("server", key)
            print(f"{what:34} {f:8.2f} ms {s:8.2f} ms {s / f:8.2f}x")


if SERVER:
    server_against_file()
    sys.exit(0)

with tempfile.TemporaryDirectory(dir=os.environ.get("BOOK_DIR")) as home:
    empty = os.path.join(home, "empty", "base.mdb")
    full = os.path.join(home, "full", "base.mdb")
    t0 = time.perf_counter()
    subprocess.run([BENCH, "generate", empty, "0"], check=True)
    subprocess.run([BENCH, "generate", full, str(ROWS)], check=True)
    print(f"generated {ROWS} parties in each table in {time.perf_counter() - t0:.1f} s, "
          f"{os.path.getsize(full) / 2**20:.1f} MiB")

    def run_open(path):
        start = time.perf_counter()
        out = subprocess.run([BENCH, "open", path], check=True, capture_output=True,
                             text=True).stdout.split()
        wall = (time.perf_counter() - start) * 1000.0
        return float(out[1]), wall, int(out[5]) / 1024.0

    results = {empty: [], full: []}
    run_open(empty), run_open(full)  # warm the disk cache
    for _ in range(RUNS):  # side by side, alternating
        for path in (empty, full):
            results[path].append(run_open(path))

    def med(path, i):
        return statistics.median(r[i] for r in results[path])

    print(f"open, in process   : empty {med(empty, 0):7.2f} ms, {ROWS} rows "
          f"{med(full, 0):7.2f} ms ({med(full, 0) / med(empty, 0):.2f}x)")
    print(f"open, whole process: empty {med(empty, 1):7.2f} ms, {ROWS} rows "
          f"{med(full, 1):7.2f} ms ({med(full, 1) / med(empty, 1):.2f}x; goal 1.3x)")
    print(f"peak memory at open: empty {med(empty, 2):6.1f} MiB, {ROWS} rows "
          f"{med(full, 2):6.1f} MiB")
    print(subprocess.run([BENCH, "measure", full], check=True, capture_output=True,
                         text=True).stdout, end="")
    print(subprocess.run([BENCH, "journal", full, "41"], check=True, capture_output=True,
                         text=True).stdout, end="")
