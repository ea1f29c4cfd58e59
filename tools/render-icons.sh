#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the button pictures and the window icon of resources/icons/*.svg into PNG files:
# a 32 x 32 PNG beside each SVG, and trelvick.png at 48, 64, 128 and 256 pixels for the desktop's
# icon theme (resources/icons/hicolor/<size>x<size>/apps/trelvick.png).
# Needs rsvg-convert (Debian package librsvg2-bin). Run it after editing an SVG and commit the PNGs.
set -eu

icons="$(cd "$(dirname "$0")/../resources/icons" && pwd)"

if ! command -v rsvg-convert >/dev/null 2>&1; then
    echo "render-icons.sh: rsvg-convert is missing (apt-get install librsvg2-bin)" >&2
    exit 1
fi

for svg in "$icons"/*.svg; do
    rsvg-convert --width 32 --height 32 --format png --output "${svg%.svg}.png" "$svg"
done

for size in 48 64 128 256; do
    mkdir -p "$icons/hicolor/${size}x${size}/apps"
    rsvg-convert --width "$size" --height "$size" --format png \
        --output "$icons/hicolor/${size}x${size}/apps/trelvick.png" "$icons/trelvick.svg"
done
