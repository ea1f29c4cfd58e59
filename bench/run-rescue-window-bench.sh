#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The rescue window's plan of large archives, offscreen: an archive of 20,000 files and one of 100,000 (about
# 4 KiB each, in folders of 100, each folder in one of CP737, CP869, CP1253, ISO-8859-7 and UTF-8), both in
# memory (/dev/shm), so that the disk does not decide. For each it prints how soon the first rows showed and
# the whole plan, the memory of the process, and the times of sorting and of painting while scrolling
# (trelvick-rescue-window-bench). Each archive is planned RUNS times (default 3), in a process of its own; beside
# each run, the same dry run from the command line (trelvick-convert -r -f auto -n -i --backup), the engine
# without a window, with its time and peak memory (GNU time).
#
#   bench/run-rescue-window-bench.sh [path/to/trelvick-rescue-window-bench]
#
# JOBS (default: the processor count) is the number of the scan's threads.
set -euo pipefail

bench=${1:-build/bin/trelvick-rescue-window-bench}
runs=${RUNS:-3}
jobs=${JOBS:-$(nproc)}
[[ -x $bench ]] || { echo "no program at '$bench' (build target trelvick-rescue-window-bench)" >&2; exit 1; }
convert=$(dirname "$bench")/trelvick-convert
[[ -x $convert ]] || { echo "no trelvick-convert beside $bench" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "missing GNU time: apt-get install time" >&2; exit 1; }

# shellcheck source=bench/testdata.sh
source "$(dirname "${BASH_SOURCE[0]}")/testdata.sh"

memory=$(mktemp -d /dev/shm/trelvick-rescue-bench.XXXXXX)
trap 'rm -rf "$memory"' EXIT

echo "$(nproc) processors, $jobs threads for the scan;$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-); load $(cut -d' ' -f1-3 /proc/loadavg)"
for files in 20000 100000; do
    echo "Making an archive of $files files in memory ..."
    make_archive "$memory/archive-$files" "$files"
    for ((run = 1; run <= runs; run++)); do
        echo "run $run:"
        QT_QPA_PLATFORM=offscreen "$bench" "$memory/archive-$files" "$jobs" 2>/dev/null
        /usr/bin/time -f "  the command line's dry run: %e s, peak %M KiB" \
            "$convert" --quiet -r -f auto -n -i --backup -j "$jobs" "$memory/archive-$files" >/dev/null
    done
    rm -rf "$memory/archive-$files"
done
