#!/usr/bin/env python3
"""The whole program watching its address book, on the local file beside a PostgreSQL
server, ROWS parties in each table of each, in one run: another copy's change (a second
store in the same process, at points spread over the change probe's half second) until
the window lists it, median and maximum over 100 changes; the whole program's processor
share while idle and watching for IDLE_S seconds; a party chosen from the document's name
list; and, to say where a fresh list's time goes, a connection of its own and the read of
the whole table. The server is a throw-away cluster with PostgreSQL's default settings,
reached over TCP on 127.0.0.1. Run from the repository root after building into build/:
    python3 bench/livebook.py [ROWS] [IDLE_S]"""
import os
import subprocess
import sys
import tempfile
import time

import pgserver

ROWS = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
IDLE_S = int(sys.argv[2]) if len(sys.argv) > 2 else 30
BUILD = os.environ.get("BUILD", "build")
SHOWN = ("rows:", "choose from the list", "another copy's change", "  a fresh list",
         "idle, watching")


with tempfile.TemporaryDirectory(dir="/tmp", prefix="formelan-bench-") as root, \
        pgserver.cluster(root) as server:
    def home(name):
        path = os.path.join(root, name)
        os.makedirs(path)
        return dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"),
                    HOME=path, XDG_DATA_HOME=os.path.join(path, "data"),
                    XDG_CONFIG_HOME=os.path.join(path, "config"))

    shared = server.book("formelan")
    local, onserver = home("local"), home("server")
    t0 = time.perf_counter()
    book = os.path.join(local["XDG_DATA_HOME"], "Formelan", "base.mdb")
    subprocess.run([f"{BUILD}/bench/bench_addressbook", "generate", book, str(ROWS)],
                   env=local, check=True, stderr=subprocess.DEVNULL)
    subprocess.run([f"{BUILD}/bench/bench_partybook", "generate", shared, str(ROWS)],
                   check=True)
    server.analyse("formelan")
    print(f"{ROWS} parties in each table of both books made in "
          f"{time.perf_counter() - t0:.1f} s")

    for name, env, place in (("local file", local, "local"), ("server", onserver, shared)):
        run = subprocess.run([f"{BUILD}/bench/bench_addressbook", "measure", place,
                              str(IDLE_S)], env=env, capture_output=True, text=True)
        if run.returncode != 0:
            sys.exit(f"{name}: bench_addressbook failed ({run.returncode}):\n{run.stderr}")
        print(f"{name}:")
        for line in run.stdout.splitlines():
            if line.startswith(SHOWN):
                print("  " + line)
        slow = [line for line in run.stderr.splitlines() if "listed after" in line]
        if slow:
            print(f"  {len(slow)} changes listed after more than 2 s")
