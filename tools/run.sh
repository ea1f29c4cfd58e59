#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Trelvick and starts its window on the default tq.ini beside the built program.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting Trelvick in a virtual X server (xvfb-run); nothing will be visible." >&2
    exec xvfb-run -a build/bin/trelvick
fi
exec build/bin/trelvick
