#!/usr/bin/env bash
# Renders the application icon's PNG sizes from the SVG drawing next to this script, and the
# Windows icon (.ico) from four of them. The icons are kept in the repository, so building and
# packaging need no SVG renderer; run this again (it needs rsvg-convert from librsvg2-bin and
# ImageMagick's convert) whenever the SVG changes.
set -euo pipefail
cd "$(dirname "$0")"
icon=org.example.Tallo2NMEA
for size in 16 32 48 64 128 256; do
    mkdir -p "${size}"
    rsvg-convert --width "${size}" --height "${size}" --output "${size}/${icon}.png" "${icon}.svg"
done
convert 16/${icon}.png 32/${icon}.png 48/${icon}.png 256/${icon}.png "${icon}.ico"
