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
import glob
import os
import socket
import subprocess
import sys
import tempfile
import time

ROWS = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
IDLE_S = int(sys.argv[2]) if len(sys.argv) > 2 else 30
BUILD = os.environ.get("BUILD", "build")
SHOWN = ("rows:", "choose from the list", "another copy's change", "  a fresh list",
         "idle, watching")


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
with tempfile.TemporaryDirectory(dir="/tmp", prefix="formelan-bench-") as root:
    def home(name):
        path = os.path.join(root, name)
        os.makedirs(path)
        return dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"),
                    HOME=path, XDG_DATA_HOME=os.path.join(path, "data"),
                    XDG_CONFIG_HOME=os.path.join(path, "config"))

    cluster = os.path.join(root, "pg")
    os.mkdir(cluster)
    if os.geteuid() == 0:
        os.chmod(root, 0o711)
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
        subprocess.run([f"{bin_dir}/createdb", "-h", "127.0.0.1", "-p", str(port), "-U",
                        "postgres", "formelan"], check=True)
        shared = f"pg:host=127.0.0.1;port={port};dbname=formelan;user=postgres;sslmode=disable"

        local, onserver = home("local"), home("server")
        t0 = time.perf_counter()
        book = os.path.join(local["XDG_DATA_HOME"], "Formelan", "base.mdb")
        subprocess.run([f"{BUILD}/bench/bench_addressbook", "generate", book, str(ROWS)],
                       env=local, check=True, stderr=subprocess.DEVNULL)
        subprocess.run([f"{BUILD}/bench/bench_partybook", "generate", shared, str(ROWS)],
                       check=True)
        subprocess.run([f"{bin_dir}/vacuumdb", "-q", "-z", "-h", "127.0.0.1", "-p", str(port),
                        "-U", "postgres", "formelan"], check=True)
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
    finally:
        server.terminate()
        server.wait()
