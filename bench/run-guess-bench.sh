#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The codepage detector beside the detectors users would pick instead, in one run:
#   - how often each is right on the same held-out samples (every language in every codepage it was
#     written in, 64, 256 and 1024 bytes), per size, per family and for the worst pair; calibration, text
#     it does not know, and the detector's speed in memory (trelvick-guess-bench with bench/guesspeers.py);
#   - `trelvick-convert --guess=tsv` and `uchardet` on 2,000 files of 64 KiB of mixed European text in
#     /dev/shm (wall-clock and processor time, peak memory), taking turns for ROUNDS rounds (default 3);
#   - what the model adds to the program.
#
#   bench/run-guess-bench.sh [BUILD_DIR]     (default build; a Release build gives the real times)
#
# SAMPLES (default 100) samples a cell. Needs the packages of tools/setup-debian.sh (which this runs),
# GNU time and about 140 MiB of /dev/shm.
set -euo pipefail

here=$(dirname "${BASH_SOURCE[0]}")
"$here/../tools/setup-debian.sh"

build=${1:-build}
rounds=${ROUNDS:-3}
bench=$build/bin/trelvick-guess-bench
program=$build/bin/trelvick-convert
[[ -x $bench && -x $program ]] || { echo "build the targets trelvick-guess-bench and trelvick-convert in $build" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "GNU time is missing: apt-get install time" >&2; exit 1; }

"$bench" /usr/share/locale "${SAMPLES:-100}" "$here/guesspeers.py"

work=$(mktemp -d /dev/shm/trelvick-guess-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/files"
"$bench" --write-files "$work/files" 2000
bytes=$(du -sb "$work/files" | cut -f1)

# run NAME COMMAND...: one timed run; appends "wall cpu maxrss_kib" to $work/NAME.times and keeps the output.
run() {
    local name=$1
    shift
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >"$work/$name.out" 2>/dev/null || true
    awk '{ print $1, $2 + $3, $4 }' "$work/time" >>"$work/$name.times"
}

for _ in $(seq "$rounds"); do
    run trelvick "$program" --guess=tsv "$work"/files/*
    run uchardet uchardet "$work"/files/*
done
echo
echo "2,000 files of 64 KiB of mixed European text in /dev/shm ($((bytes / 1048576)) MiB), best of $rounds:"
for name in trelvick uchardet; do
    sort -n "$work/$name.times" | head -n 1 | awk -v n="$name" -v b="$bytes" \
        '{ printf "  %-9s wall %6.3f s (%5.0f MB/s)   processor %6.3f s   peak memory %5.1f MiB\n", n, $1, b / ($1 > 0 ? $1 : 1e-3) / 1e6, $2, $3 / 1024 }'
done
echo "  trelvick named $(cut -f2 "$work/trelvick.out" | sort -u | wc -l) different codepages; languages: $(cut -f7 "$work/trelvick.out" | sort | uniq -c | sort -rn | head -n 5 | awk '{ printf "%s %s, ", $1, $2 }')..."

# The model is the codepage tables and the pair statistics in the guess library's scoring object.
object=$(find "$build" -path '*trelvick_guess.dir*' -name 'scoring.cpp.o' | head -n 1)
if [[ -n $object ]]; then
    size -A "$object" | awk '$1 ~ /^\.rodata/ { sum += $2 } END { printf "\nthe model in the program: %.2f MiB of read-only data\n", sum / 1048576 }'
fi
echo
echo "Targets for trelvick: >= 100 MB/s wall time, <= 32 MiB peak memory, <= 2 MiB of model."
