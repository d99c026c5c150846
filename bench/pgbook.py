#!/usr/bin/env python3
"""The address book on a PostgreSQL server at 100,000 parties in each table: how soon a
change made by one copy reaches another copy's watchChanges() callback (median and
maximum over 100 changes), and copying a book of that size into an empty server book in
one transaction, cancelled at 90 % and whole. The server is a throw-away cluster started
here with PostgreSQL's default, durable settings, reached over TCP on 127.0.0.1. Run from
the repository root after building into build/:
    python3 bench/pgbook.py [ROWS] [CHANGES]"""
import glob
import os
import socket
import subprocess
import sys
import tempfile
import time

ROWS = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
CHANGES = int(sys.argv[2]) if len(sys.argv) > 2 else 100
BENCH = os.path.join(os.environ.get("BUILD", "build"), "bench", "bench_partybook")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


bins = sorted(glob.glob("/usr/lib/postgresql/*/bin"), key=lambda b: int(b.split("/")[-2]))
if not bins:
    sys.exit("PostgreSQL's server is not installed (Debian: postgresql)")
bin_dir = bins[-1]
# postgres will not run as root: the cluster belongs to nobody then.
as_server = (["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
             if os.geteuid() == 0 else [])
with tempfile.TemporaryDirectory(dir="/tmp", prefix="formelan-bench-") as home:
    cluster = os.path.join(home, "pg")
    os.mkdir(cluster)
    if os.geteuid() == 0:
        os.chmod(home, 0o711)
        os.chown(cluster, 65534, 65534)
    data = os.path.join(cluster, "data")
    subprocess.run(as_server + [f"{bin_dir}/initdb", "-D", data, "-U", "postgres", "-A",
                                "trust", "-E", "UTF8", "--locale=C"],
                   check=True, capture_output=True)
    port = free_port()
    server = subprocess.Popen(
        as_server + [f"{bin_dir}/postgres", "-D", data, "-p", str(port), "-k", cluster,
                     "-c", "listen_addresses=127.0.0.1"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for _ in range(300):
            if subprocess.run([f"{bin_dir}/pg_isready", "-q", "-h", "127.0.0.1", "-p",
                               str(port)]).returncode == 0:
                break
            time.sleep(0.1)

        def book(name):
            subprocess.run([f"{bin_dir}/createdb", "-h", "127.0.0.1", "-p", str(port), "-U",
                            "postgres", name], check=True)
            return (f"pg:host=127.0.0.1;port={port};dbname={name};user=postgres;"
                    "sslmode=disable")

        shared = book("formelan")
        t0 = time.perf_counter()
        subprocess.run([BENCH, "generate", shared, str(ROWS)], check=True)
        print(f"server: {ROWS} parties in each table made in "
              f"{time.perf_counter() - t0:.1f} s")
        subprocess.run([f"{bin_dir}/vacuumdb", "-q", "-z", "-h", "127.0.0.1", "-p", str(port),
                        "-U", "postgres", "formelan"], check=True)
        print(subprocess.run([BENCH, "watch", shared, str(CHANGES)], check=True,
                             capture_output=True, text=True).stdout, end="")

        local = os.path.join(home, "base.mdb")
        subprocess.run([BENCH, "generate", local, str(ROWS)], check=True)
        print(subprocess.run([BENCH, "copy", local, book("copied")], check=True,
                             capture_output=True, text=True).stdout, end="")
    finally:
        server.terminate()
        server.wait()
