#!/usr/bin/env bash
# Renders the icon's PNG sizes from orvel.svg (rsvg-convert, Debian package librsvg2-bin).
#   render-icons.sh [OUTDIR]   writes OUTDIR/<n>x<n>/orvel.png; OUTDIR defaults to this folder.
# Run it after changing orvel.svg and commit the PNGs; check-package.sh compares them.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here}"
for size in 16 32 48; do
    mkdir -p "$out/${size}x${size}"
    rsvg-convert --width "$size" --height "$size" --format png \
        --output "$out/${size}x${size}/orvel.png" "$here/orvel.svg"
done
