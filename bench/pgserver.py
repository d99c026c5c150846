"""A throw-away PostgreSQL cluster for the benchmarks: PostgreSQL's default, durable
settings, reached over TCP on 127.0.0.1, gone with the folder it lives in."""
import contextlib
import glob
import os
import socket
import subprocess
import sys
import time


def _free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Server:
    def __init__(self, bin_dir, port):
        self.bin_dir, self.port = bin_dir, port

    def book(self, name):
        """A new database; its address as the benchmarks take it."""
        subprocess.run([f"{self.bin_dir}/createdb", "-h", "127.0.0.1", "-p", str(self.port),
                        "-U", "postgres", name], check=True)
        return f"pg:host=127.0.0.1;port={self.port};dbname={name};user=postgres;sslmode=disable"

    def analyse(self, name):
        """The server's own upkeep after a bulk load, as autovacuum would do it in time."""
        subprocess.run([f"{self.bin_dir}/vacuumdb", "-q", "-z", "-h", "127.0.0.1", "-p",
                        str(self.port), "-U", "postgres", name], check=True)


@contextlib.contextmanager
def cluster(root):
    """Starts a cluster in `root`/pg and stops it at the end."""
    bins = sorted(glob.glob("/usr/lib/postgresql/*/bin"), key=lambda b: int(b.split("/")[-2]))
    if not bins:
        sys.exit("PostgreSQL's server is not installed (Debian: postgresql)")
    bin_dir = bins[-1]
    # postgres will not run as root: the cluster belongs to nobody then.
    as_server = (["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
                 if os.geteuid() == 0 else [])
    folder = os.path.join(root, "pg")
    os.mkdir(folder)
    if os.geteuid() == 0:
        os.chmod(root, 0o711)
        os.chown(folder, 65534, 65534)
    data = os.path.join(folder, "data")
    subprocess.run(as_server + [f"{bin_dir}/initdb", "-D", data, "-U", "postgres", "-A",
                                "trust", "-E", "UTF8", "--locale=C"],
                   check=True, capture_output=True)
    port = _free_port()
    server = subprocess.Popen(
        as_server + [f"{bin_dir}/postgres", "-D", data, "-p", str(port), "-k", folder,
                     "-c", "listen_addresses=127.0.0.1"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for _ in range(300):
            if subprocess.run([f"{bin_dir}/pg_isready", "-q", "-h", "127.0.0.1", "-p",
                               str(port)]).returncode == 0:
                break
            time.sleep(0.1)
        yield Server(bin_dir, port)
    finally:
        server.terminate()
        server.wait()
