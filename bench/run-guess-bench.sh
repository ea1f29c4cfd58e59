#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The codepage detector beside uchardet, in one run:
#   - how often each is right on the same samples of real text, and the detector's own speed in memory
#     (trelvick-guess-bench: scoring Greek text, scanning ASCII);
#   - `trelvick-convert --guess=name` and `uchardet` on 2,000 files of 64 KiB of Greek DOS text (737) and
#     on a 256 MiB ASCII file whose only Greek line is its last, in /dev/shm so that the disk does not
#     decide. The two take turns for ROUNDS rounds (default 3); the best wall-clock and processor time
#     (user + system) of each is shown, since the machine may be shared.
#
#   bench/run-guess-bench.sh [BUILD_DIR]     (default build; a Release build gives the real times)
#
# Needs uchardet (Debian package "uchardet", installed with the rest by tools/setup-debian.sh, which this
# runs), GNU time, and the text packages of tools/setup-debian.sh. About 400 MiB of /dev/shm for a moment.
set -euo pipefail

here=$(dirname "${BASH_SOURCE[0]}")
"$here/../tools/setup-debian.sh"

build=${1:-build}
rounds=${ROUNDS:-3}
bench=$build/bin/trelvick-guess-bench
program=$build/bin/trelvick-convert
[[ -x $bench && -x $program ]] || { echo "build the targets trelvick-guess-bench and trelvick-convert in $build" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "GNU time is missing: apt-get install time" >&2; exit 1; }

"$bench" /usr/share/locale "${SAMPLES:-400}"

work=$(mktemp -d /dev/shm/trelvick-guess-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
mib=$((1024 * 1024))

# shellcheck source=bench/testdata.sh
source "$here/testdata.sh"
make_greek_text 20000 | sed 's/$/\r/' >"$work/base.737"
grow "$work/base.737" $((2000 * 65536)) "$work/all.737"
mkdir "$work/files"
split -b 65536 -a 4 "$work/all.737" "$work/files/t"
rm "$work/all.737" "$work/base.737"
{ yes 'The quick brown fox jumps over the lazy dog, then sleeps in the sun until the evening.' || true; } |
    head -c $((256 * mib)) >"$work/ascii.txt"
printf '\r\nΤέλος του αρχείου.\r\n' | iconv -t CP737 >>"$work/ascii.txt"

# run NAME COMMAND...: one timed run; appends "wall cpu" to $work/NAME.times and keeps the output.
run() {
    local name=$1
    shift
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >"$work/$name.out" 2>/dev/null || true
    awk '{ print $1, $2 + $3 }' "$work/time" >>"$work/$name.times"
}

# compare LABEL BYTES ARGUMENTS...: both programs on the same files, taking turns.
compare() {
    local label=$1 bytes=$2
    shift 2
    rm -f "$work"/*.times
    for _ in $(seq "$rounds"); do
        run trelvick "$program" --guess=name "$@"
        run uchardet uchardet "$@"
    done
    echo
    echo "$label ($((bytes / mib)) MiB):"
    for name in trelvick uchardet; do
        sort -n "$work/$name.times" | head -n 1 | awk -v n="$name" -v b="$bytes" \
            '{ printf "  %-9s wall %6.3f s (%7.0f MB/s)   processor %6.3f s (%7.0f MB/s)\n", n, $1, b / ($1 > 0 ? $1 : 1e-3) / 1e6, $2, b / ($2 > 0 ? $2 : 1e-3) / 1e6 }'
        # What it named, with how many files.
        sed 's/.*: //' "$work/$name.out" | sort | uniq -c | sort -rn | head -n 3 |
            awk '{ printf "            %s file(s): %s\n", $1, $2 }'
    done
}

compare "2,000 files of 64 KiB of CP737 text" $((2000 * 65536)) "$work"/files/*
compare "256 MiB of ASCII, then one line of CP737" "$(stat -c %s "$work/ascii.txt")" "$work/ascii.txt"
echo
echo "Targets for trelvick: >= 200 MB/s scoring Greek text, >= 2 GB/s scanning ASCII (processor time)."
