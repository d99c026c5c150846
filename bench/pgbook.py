#!/usr/bin/env python3
"""The address book on a PostgreSQL server at 100,000 parties in each table: how soon a
change made by one copy reaches another copy's watchChanges() callback (median and
maximum over 100 changes), and copying a book of that size into an empty server book in
one transaction, cancelled at 90 % and whole. The server is a throw-away cluster started
here with PostgreSQL's default, durable settings, reached over TCP on 127.0.0.1. Run from
the repository root after building into build/:
    python3 bench/pgbook.py [ROWS] [CHANGES]"""
import os
import subprocess
import sys
import tempfile
import time

import pgserver

ROWS = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
CHANGES = int(sys.argv[2]) if len(sys.argv) > 2 else 100
BENCH = os.path.join(os.environ.get("BUILD", "build"), "bench", "bench_partybook")


with tempfile.TemporaryDirectory(dir="/tmp", prefix="formelan-bench-") as home, \
        pgserver.cluster(home) as server:
    shared = server.book("formelan")
    t0 = time.perf_counter()
    subprocess.run([BENCH, "generate", shared, str(ROWS)], check=True)
    print(f"server: {ROWS} parties in each table made in {time.perf_counter() - t0:.1f} s")
    server.analyse("formelan")
    print(subprocess.run([BENCH, "watch", shared, str(CHANGES)], check=True,
                         capture_output=True, text=True).stdout, end="")

    local = os.path.join(home, "base.mdb")
    subprocess.run([BENCH, "generate", local, str(ROWS)], check=True)
    print(subprocess.run([BENCH, "copy", local, server.book("copied")], check=True,
                         capture_output=True, text=True).stdout, end="")
