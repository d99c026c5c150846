#!/usr/bin/env bash
# Renders the toolbar and program icons from their SVG sources (needs rsvg-convert,
# Debian package librsvg2-bin). The PNGs are committed; rerun after editing an SVG.
set -euo pipefail
cd "$(dirname "$0")/../resources/icons"
for f in src/*.svg formelan.svg; do
  name=$(basename "$f" .svg)
  rsvg-convert -w 48 -h 48 "$f" -o "$name.png"
done
