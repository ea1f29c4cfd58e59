#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times the conversion engine, file to file, against `cat in > out` and `LC_ALL=C tr` with the same
# 737 -> 1253 byte map, on a 256 MiB CRLF Greek DOS text and on a 1 GiB file without line ends, and
# prints peak memory. The files are made in a temporary folder and removed afterwards.
#
#   bench/run-engine-bench.sh [path/to/trelvick-engine-bench]
#
# RUNS (default 5) timed runs per command, after one warm-up; the median counts. TMPDIR picks the
# folder (it needs about 3 GiB). hyperfine is used when installed; peak memory needs GNU time
# (Debian package "time").
set -euo pipefail

bench=${1:-build/bin/trelvick-engine-bench}
runs=${RUNS:-5}
[[ -x $bench ]] || { echo "no engine bench program at '$bench' (build target trelvick-engine-bench)" >&2; exit 1; }
bench=$(realpath "$bench")
[[ -x /usr/bin/time ]] || { echo "GNU time is missing: apt-get install time" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/trelvick-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

mib=$((1024 * 1024))

# shellcheck source=bench/testdata.sh
source "$(dirname "${BASH_SOURCE[0]}")/testdata.sh"

echo "Making the test files in $work ..."
make_large_files "$work"

mapfile -t sets < <("$bench" --tr-sets)
tr_from=${sets[0]}
tr_to=${sets[1]}
out=$work/out

# Each command may run under a measuring prefix (GNU time for peak memory); empty when timing.
measure=()
run_cat() { "${measure[@]}" cat "$1" >"$2"; }
run_tr() { LC_ALL=C "${measure[@]}" tr "$tr_from" "$tr_to" <"$1" >"$2"; }
run_engine() { "${measure[@]}" "$bench" "$1" "$2" >/dev/null; }
export -f run_cat run_tr run_engine
export bench tr_from tr_to

# median_seconds COMMAND INPUT: median wall time of RUNS runs, the output removed (and synced) before each.
median_seconds() {
    local command=$1 input=$2
    if command -v hyperfine >/dev/null; then
        hyperfine --style none --warmup 1 --runs "$runs" --shell bash \
            --prepare "rm -f '$out'; sync" --export-csv "$work/hf.csv" \
            "$command '$input' '$out'" >/dev/null 2>&1 # its warnings about outliers would break the table
        awk -F, 'NR == 2 { print $4 }' "$work/hf.csv"
        return
    fi
    local times=() start end
    "$command" "$input" "$out"
    for ((i = 0; i < runs; i++)); do
        rm -f "$out"
        sync
        start=$EPOCHREALTIME
        "$command" "$input" "$out"
        end=$EPOCHREALTIME
        times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')")
    done
    printf '%s\n' "${times[@]}" | sort -g | awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

# peak_mib COMMAND INPUT: maximum resident set size of one run, in MiB.
peak_mib() {
    rm -f "$out"
    measure=(/usr/bin/time -f '%M' -o "$work/rss")
    "$1" "$2" "$out"
    measure=()
    awk '{ printf "%.1f", $1 / 1024 }' "$work/rss"
}

# The engine's output must be tr's, plus the CR LF that ends an unterminated last line: neither file
# has a lone CR, and the table has no entry for CR or LF.
check_output() {
    local input=$1
    LC_ALL=C tr "$tr_from" "$tr_to" <"$input" >"$work/expected"
    "$bench" "$input" "$out" >/dev/null
    cmp -s -n "$(stat -c %s "$input")" "$work/expected" "$out" || { echo "engine output differs from tr's" >&2; exit 1; }
    rm -f "$work/expected"
}

printf '\n%-24s %-8s %10s %8s %8s %10s\n' "file" "command" "median s" "vs cat" "vs tr" "peak MiB"
for file in greek-crlf no-line-ends; do
    input=$work/$file.txt
    declare -A median peak
    for command in cat tr engine; do
        median[$command]=$(median_seconds "run_$command" "$input")
        peak[$command]=$(peak_mib "run_$command" "$input")
    done
    check_output "$input"
    for command in cat tr engine; do
        awk -v f="$file ($(($(stat -c %s "$input") / mib)) MiB)" -v c="$command" -v m="${median[$command]}" \
            -v cat="${median[cat]}" -v tr="${median[tr]}" -v p="${peak[$command]}" \
            'BEGIN { printf "%-24s %-8s %10.3f %8.2f %8.2f %10s\n", f, c, m, m / cat, m / tr, p }'
    done
    unset median peak
done
echo
echo "Targets: engine <= 1.15 x cat on both files; peak memory <= 32 MiB."
echo -n "One more engine run on the CRLF text, as it reports itself: "
"$bench" "$work/greek-crlf.txt" "$out"
