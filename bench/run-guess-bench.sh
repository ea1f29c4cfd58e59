#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The codepage detector: its accuracy beside uchardet's on the same samples, its time per MiB, and the
# time of `trelvick-convert --guess` on a 1 GiB file, which it must not read past the first 64 KiB.
#
#   bench/run-guess-bench.sh [BUILD_DIR]     (default build; a Release build gives the real times)
#
# Needs uchardet (Debian package "uchardet") and the text packages of tools/setup-debian.sh.
set -euo pipefail

build=${1:-build}
bench=$build/bin/trelvick-guess-bench
program=$build/bin/trelvick-convert
[[ -x $bench && -x $program ]] || { echo "build the targets trelvick-guess-bench and trelvick-convert in $build" >&2; exit 1; }

"$bench" /usr/share/locale "${SAMPLES:-400}"

work=$(mktemp -d "${TMPDIR:-/tmp}/trelvick-guess-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Greek DOS text at the start, then a hole up to 1 GiB: the file takes no disk space.
for _ in $(seq 2000); do printf 'Καλημέρα, αυτό είναι ένα κείμενο σε κωδικοσελίδα DOS.\r\n'; done | iconv -t CP737 > "$work/big.txt"
truncate -s 1G "$work/big.txt"
start=$(date +%s%N)
"$program" --guess "$work/big.txt"
end=$(date +%s%N)
echo "--guess on a 1 GiB file: $(( (end - start) / 1000000 )) ms (the whole run, start-up included)"
