#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG drawing, for the
# hicolor icon theme. The PNGs are committed, so a build needs no renderer;
# run this after changing resources/desktop/icons/sonivert.svg (needs
# rsvg-convert, Debian package librsvg2-bin).
set -euo pipefail
icons="$(cd "$(dirname "${BASH_SOURCE[0]}")/../resources/desktop/icons" && pwd)"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" "$icons/sonivert.svg" --output "$icons/sonivert-$size.png"
done
