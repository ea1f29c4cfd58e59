#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times trelvick-convert with the 737 -> UTF-8 converter of the default tq.ini against `cat` (the floor)
# and `iconv -f CP737 -t UTF-8`, in one hyperfine run, on a 256 MiB CRLF Greek DOS text; checks that
# the output is iconv's and prints each median, the ratios and peak memory. The UTF-8 is some 1.8 times
# the input, so `cat` of a file of that size ("cat-utf8") is timed as well: the floor for writing it.
#
#   bench/run-utf8-bench.sh [path/to/trelvick-convert]
#
# Build the program as Release (a Debug build says nothing about speed). The program reads the
# tq.ini beside it (build/bin/tq.ini). RUNS (default 5) timed runs per command after one warm-up.
# TMPDIR picks the folder (it needs about 1.5 GiB); the data is removed afterwards. Needs hyperfine and
# GNU time (Debian packages "hyperfine", "time").
set -euo pipefail

program=${1:-build/bin/trelvick-convert}
runs=${RUNS:-5}
[[ -x $program ]] || { echo "no program at '$program' (build target trelvick-convert)" >&2; exit 1; }
program=$(realpath "$program")
command -v hyperfine >/dev/null || { echo "hyperfine is missing: apt-get install hyperfine" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "GNU time is missing: apt-get install time" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/trelvick-utf8-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mib=$((1024 * 1024))

# shellcheck source=bench/testdata.sh
source "$(dirname "${BASH_SOURCE[0]}")/testdata.sh"

echo "Making the 256 MiB test file in $work ..."
make_greek_text 100000 | sed 's/$/\r/' >"$work/base.txt"
grow "$work/base.txt" $((256 * mib)) "$work/greek.txt"
rm -f "$work/base.txt"
input=$work/greek.txt
out=$work/out

converter=$("$program" --list | awk -F'\t' '$2 == "737 (DOS Greek) -> UTF-8" { print $1 }')
[[ -n $converter ]] || { echo "the tq.ini beside $program has no 737 -> UTF-8 converter" >&2; exit 1; }

declare -A commands=(
    [cat]="cat '$input' > '$out'"
    [cat-utf8]="cat '$work/expected' > '$out'"
    [iconv]="iconv -f CP737 -t UTF-8 '$input' > '$out'"
    [trelvick]="'$program' --quiet -c '$converter' '$input' '$out'"
)
names=(cat cat-utf8 iconv trelvick)

# The file ends in the middle of a line, which the program ends with CR LF: iconv's output is the rest.
iconv -f CP737 -t UTF-8 "$input" >"$work/expected"
"$program" --quiet -c "$converter" "$input" "$out"
cmp -s -n "$(stat -c %s "$work/expected")" "$work/expected" "$out" || { echo "output differs from iconv's" >&2; exit 1; }
echo "Output checked against iconv: $(($(stat -c %s "$out") / mib)) MiB of UTF-8 from 256 MiB."

hyperfine_args=()
for name in "${names[@]}"; do
    hyperfine_args+=(--command-name "$name" "${commands[$name]}")
done
hyperfine --style basic --warmup 1 --runs "$runs" --prepare "rm -f '$out'; sync" \
    --export-csv "$work/hf.csv" "${hyperfine_args[@]}"

declare -A median peak
while IFS=, read -r name _ _ med _; do
    median[$name]=$med
done < <(tail -n +2 "$work/hf.csv")
for name in "${names[@]}"; do
    rm -f "$out"
    /usr/bin/time -f '%M' -o "$work/rss" bash -c "${commands[$name]}"
    peak[$name]=$(awk '{ printf "%.1f", $1 / 1024 }' "$work/rss")
done

printf '\n%-10s %10s %8s %9s %10s\n' command "median s" "vs cat" "vs iconv" "peak MiB"
for name in "${names[@]}"; do
    awk -v n="$name" -v m="${median[$name]}" -v c="${median[cat]}" -v i="${median[iconv]}" -v p="${peak[$name]}" \
        'BEGIN { printf "%-10s %10.3f %8.2f %9.2f %10s\n", n, m, m / c, m / i, p }'
done
echo
echo "Targets for trelvick: <= 2 x cat, <= 0.2 x iconv, peak memory <= 32 MiB."
