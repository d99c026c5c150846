#!/usr/bin/env python3
"""Filling and saving a template against LibreOffice converting the same template to
PDF, in the same run. Needs soffice. Run from the repository root after building:
    python3 bench/wordoutput.py [TEMPLATE]"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

BUILD = os.environ.get("BUILD", "build")
template = sys.argv[1] if len(sys.argv) > 1 else "data/forms/formuliar8.doc"
with tempfile.TemporaryDirectory() as tmp:
    fill_ms = float(subprocess.run([f"{BUILD}/bench/bench_wordoutput", template,
                                    os.path.join(tmp, "project.doc"), "50"],
                                   check=True, capture_output=True, text=True).stdout)
    src = os.path.join(tmp, "template.rtf")
    shutil.copy(template, src)
    profile = "file://" + os.path.join(tmp, "profile")
    times = []
    for _ in range(3):
        t = time.perf_counter()
        subprocess.run(["soffice", "--headless", "--norestore", f"-env:UserInstallation={profile}",
                        "--convert-to", "pdf", "--outdir", tmp, src],
                       check=True, capture_output=True)
        times.append((time.perf_counter() - t) * 1000)
    lo_ms = statistics.median(times)
print(f"fill and save     : {fill_ms:8.2f} ms (median of 50)")
print(f"LibreOffice to PDF: {lo_ms:8.0f} ms (median of 3)")
print(f"ratio             : {lo_ms / fill_ms:8.0f}x (goal: at least 100x)")
