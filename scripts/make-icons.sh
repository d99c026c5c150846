#!/usr/bin/env bash
# Renders the toolbar and program icons from their SVG sources (needs rsvg-convert,
# Debian package librsvg2-bin, and the DejaVu fonts for the icon's lettering).
# The PNGs are committed, so that building needs neither and every build ships the
# same pixels; rerun after editing an SVG.
#   scripts/make-icons.sh          render into resources/icons
#   scripts/make-icons.sh DIR      render the program icon's theme sizes into DIR
#                                  instead (to compare with the committed ones)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
icons=$root/resources/icons
sizes=(16 32 48 64 128 256)

render_theme_sizes() { # DIR
  for s in "${sizes[@]}"; do
    mkdir -p "$1/${s}x${s}/apps"
    rsvg-convert -w "$s" -h "$s" "$icons/formelan.svg" -o "$1/${s}x${s}/apps/formelan.png"
  done
}

if [ $# -gt 0 ]; then
  render_theme_sizes "$1"
  exit 0
fi
for f in "$icons"/src/*.svg "$icons/formelan.svg"; do
  name=$(basename "$f" .svg)
  rsvg-convert -w 48 -h 48 "$f" -o "$icons/$name.png"
done
render_theme_sizes "$icons/hicolor"
