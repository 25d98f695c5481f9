#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG (needs rsvg-convert, librsvg2-bin).
# Run after changing the SVG and commit the PNGs with it: the build itself needs no renderer.
set -euo pipefail
icons=$(cd "$(dirname "$0")/../packaging/icons/hicolor" && pwd)
svg="$icons/scalable/apps/org.kelvane.Kelvane.svg"
for size in 16 24 32 48 64 128 256; do
    mkdir -p "$icons/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "$svg" -o "$icons/${size}x${size}/apps/org.kelvane.Kelvane.png"
done
