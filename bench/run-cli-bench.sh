#!/usr/bin/env bash
# Times trelvick-convert with the 737 -> 1253 converter of the default tq.ini against
# `iconv -c -f CP737 -t CP1253`, `LC_ALL=C tr` with the same byte map and `cat` as the floor, on a
# 256 MiB CRLF Greek DOS text and on a 1 GiB file without line ends; then `--batch` over 2,000 small
# files against a shell loop of iconv. Prints each median, the ratios and peak memory.
#
#   bench/run-cli-bench.sh [path/to/trelvick-convert]
#
# The program is run with the tq.ini beside it (build/bin/tq.ini). RUNS (default 5) timed runs per
# command after one warm-up; the median counts. TMPDIR picks the folder (it needs about 3 GiB); the
# data is removed afterwards. Needs hyperfine and GNU time (Debian packages "hyperfine", "time");
# run as root, the script installs them when they are missing.
# The commands below are kept as text and expanded only by the shell that runs them.
# shellcheck disable=SC2016
set -euo pipefail

program=${1:-build/bin/trelvick-convert}
runs=${RUNS:-5}
[[ -x $program ]] || { echo "no program at '$program' (build target trelvick-convert)" >&2; exit 1; }
program=$(realpath "$program")

for tool in hyperfine:hyperfine /usr/bin/time:time; do
    if ! command -v "${tool%%:*}" >/dev/null; then
        if [[ $(id -u) -eq 0 ]]; then
            apt-get install -y "${tool##*:}" >/dev/null
        else
            echo "missing ${tool%%:*}: apt-get install ${tool##*:}" >&2
            exit 1
        fi
    fi
done

# The key of the 737 -> 1253 converter, from the program's own list.
key=$("$program" --list | awk -F'\t' '$2 ~ /^737 .*-> 1253 / { print $1; exit }')
[[ -n $key ]] || { echo "the program's tq.ini offers no 737 -> 1253 converter" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/trelvick-cli-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mib=$((1024 * 1024))

# shellcheck source=bench/testdata.sh
source "$(dirname "${BASH_SOURCE[0]}")/testdata.sh"

echo "Making the test files in $work ..."
make_greek_text 100000 >"$work/base.txt"
sed 's/$/\r/' "$work/base.txt" >"$work/base-crlf.txt"
tr '\n' ' ' <"$work/base.txt" >"$work/base-flat.txt"
grow "$work/base-crlf.txt" $((256 * mib)) "$work/greek-crlf.txt"
grow "$work/base-flat.txt" $((1024 * mib)) "$work/no-line-ends.txt"
# 2,000 small files of up to 2 KiB, each a slice of the CRLF text starting at a line.
mkdir "$work/small"
split -a 4 -d -C 2K --additional-suffix=.txt "$work/base-crlf.txt" "$work/small/f"
find "$work/small" -name 'f*.txt' | sort | tail -n +2001 | xargs -r rm -f
small_count=$(find "$work/small" -name 'f*.txt' | wc -l)
rm -f "$work"/base*.txt

# The converter's byte map as tr's two octal sets, from the table as the program read it.
read -r tr_from tr_to < <("$program" --show "$key" |
    awk -F= '/^[0-9]+=[0-9]+$/ { f = f sprintf("\\%03o", $1); t = t sprintf("\\%03o", $2) } END { print f, t }')
out=$work/out
export program key tr_from tr_to

# The commands, each taking the input and the output file.
declare -A commands=(
    [cat]='cat "$1" >"$2"'
    [tr]='LC_ALL=C tr "$tr_from" "$tr_to" <"$1" >"$2"'
    [iconv]='iconv -c -f CP737 -t CP1253 "$1" >"$2"'
    [trelvick]='"$program" --quiet -c "$key" "$1" "$2"'
)
order=(cat tr iconv trelvick)

# median_of JSON: the median wall time of the one command in hyperfine's export.
median_of() { jq -r '.results[0].median' "$1"; }

# time_command NAME INPUT: median seconds of RUNS runs, the output removed before each.
time_command() {
    hyperfine --style none --warmup 1 --runs "$runs" --shell bash --prepare "rm -f '$out'" \
        --export-json "$work/hf.json" "set -- '$2' '$out'; ${commands[$1]}" >/dev/null
    median_of "$work/hf.json"
}

# peak_mib NAME INPUT: maximum resident set size of one run, in MiB.
peak_mib() {
    rm -f "$out"
    /usr/bin/time -f '%M' -o "$work/rss" bash -c "${commands[$1]}" bench "$2" "$out"
    awk '{ printf "%.1f", $1 / 1024 }' "$work/rss"
}

# The program's output is tr's, plus the CR LF that ends an unterminated last line.
check_output() {
    LC_ALL=C tr "$tr_from" "$tr_to" <"$1" >"$work/expected"
    "$program" --quiet -c "$key" "$1" "$out"
    cmp -s -n "$(stat -c %s "$1")" "$work/expected" "$out" || { echo "trelvick-convert's output differs from tr's" >&2; exit 1; }
    rm -f "$work/expected" "$out"
}

declare -A median peak
printf '\n%-26s %-9s %9s %7s %7s %7s %9s\n' "file" "command" "median s" "/ cat" "/ tr" "/ iconv" "peak MiB"
for file in greek-crlf no-line-ends; do
    input=$work/$file.txt
    check_output "$input"
    for command in "${order[@]}"; do
        median[$file.$command]=$(time_command "$command" "$input")
        peak[$file.$command]=$(peak_mib "$command" "$input")
    done
    for command in "${order[@]}"; do
        awk -v f="$file ($(($(stat -c %s "$input") / mib)) MiB)" -v c="$command" -v m="${median[$file.$command]}" \
            -v cat="${median[$file.cat]}" -v tr="${median[$file.tr]}" -v ic="${median[$file.iconv]}" \
            -v p="${peak[$file.$command]}" \
            'BEGIN { printf "%-26s %-9s %9.3f %7.2f %7.2f %7.2f %9s\n", f, c, m, m / cat, m / tr, m / ic, p }'
    done
    rm -f "$out"
done

# The batch: one process over every file against one iconv per file.
small=$work/small
export small
hyperfine --style none --warmup 1 --runs "$runs" --shell bash --prepare "rm -f '$small'/*.out" \
    --export-json "$work/batch.json" \
    '"$program" --quiet -c "$key" --batch "$small"/f*.txt' \
    'for f in "$small"/f*.txt; do iconv -c -f CP737 -t CP1253 "$f" >"$f.out"; done' >/dev/null
batch_program=$(jq -r '.results[0].median' "$work/batch.json")
batch_iconv=$(jq -r '.results[1].median' "$work/batch.json")
awk -v f="batch ($small_count files)" -v p="$batch_program" -v i="$batch_iconv" 'BEGIN {
    printf "%-26s %-9s %9.3f %7s %7s %7s\n", f, "iconv", i, "", "", "1.00"
    printf "%-26s %-9s %9.3f %7s %7s %7.2f\n", f, "trelvick", p, "", "", p / i
}'

echo
awk -v c="${median[greek-crlf.trelvick]}" -v cat="${median[greek-crlf.cat]}" -v tr="${median[greek-crlf.tr]}" \
    -v ic="${median[greek-crlf.iconv]}" -v p1="${peak[greek-crlf.trelvick]}" -v p2="${peak[no-line-ends.trelvick]}" \
    -v bp="$batch_program" -v bi="$batch_iconv" '
    function verdict(ok) { return ok ? "met" : "MISSED" }
    BEGIN {
        printf "Targets (CRLF text): <= 1.5 x cat: %.2f %s; <= 0.5 x tr: %.2f %s; <= 0.2 x iconv: %.2f %s\n",
            c / cat, verdict(c / cat <= 1.5), c / tr, verdict(c / tr <= 0.5), c / ic, verdict(c / ic <= 0.2)
        printf "Peak memory < 32 MiB on both big files: %s and %s MiB %s\n", p1, p2, verdict(p1 < 32 && p2 < 32)
        printf "Batch <= 0.5 x the iconv loop: %.3f %s\n", bp / bi, verdict(bp / bi <= 0.5)
    }'
