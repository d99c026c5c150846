#!/usr/bin/env bash
# Starts Formelan on a virtual display and saves a picture of the main window.
# Usage: scripts/screenshot.sh [OUT.png] [KIND-ITEM]   (needs xvfb, built tree in build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/screenshot.png}
mkdir -p "$(dirname "$out")"
cmake -S "$root" -B "$root/build" -DFORMELAN_TOOLS=ON >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target formelan-screenshot
xvfb-run -a -s "-screen 0 1366x768x24" "$root/build/formelan-screenshot" "$out" ${2:-}
echo "saved $out"
