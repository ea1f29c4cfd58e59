#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times trelvick-convert (the 737 -> 1253 converter of its tq.ini) against a plain copy, the floor it
# cannot beat by much:
#   - `cat in > out` on a 256 MiB CR LF Greek DOS text and on a 1 GiB file without line ends;
#   - `--batch` over 2,000 and over 20,000 small files against `cp -r` of the same folder;
# and, on the disk (DISK_DIR, default /var/tmp; the others belong in memory, TMPDIR=/dev/shm), what
# flushing a replaced output costs: the 256 MiB text and the 2,000-file batch converted over
# existing outputs (each flushed before its rename, the folder after it) against the same runs
# creating them (nothing flushed);
# and prints, side by side, the medians, their ratios, the spread of the runs and peak memory. With
# trelvick-window-bench beside the program it also times the window's Convert against the engine.
#
#   bench/run-cli-bench.sh [path/to/trelvick-convert]
#
# The machine is shared, so the two commands of a pair take turns: ROUNDS (default 5) rounds of
# RUNS (default 3) runs each after one warm-up, the order swapped every round. The median is over
# all runs; "spread" is their interquartile range over the median.
# BENCH_DATA names a folder that keeps the test data between runs (made when missing, about 1.7 GiB);
# without it the data goes to a temporary folder in TMPDIR (default /tmp), removed afterwards; the
# outputs take as much again. Needs hyperfine, GNU time and python3; run as root, the script
# installs the first two when they are missing.
# The commands below are kept as text and expanded only by the shell that runs them.
# shellcheck disable=SC2016
set -euo pipefail

program=${1:-build/bin/trelvick-convert}
rounds=${ROUNDS:-5}
runs=${RUNS:-3}
[[ -x $program ]] || { echo "no program at '$program' (build target trelvick-convert)" >&2; exit 1; }
program=$(realpath "$program")
window_bench=$(dirname "$program")/trelvick-window-bench

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
data=${BENCH_DATA:-$work/data}
mkdir -p "$data" "$work/json"
mib=$((1024 * 1024))

# shellcheck source=bench/testdata.sh
source "$(dirname "${BASH_SOURCE[0]}")/testdata.sh"

# small_files COUNT: a folder of COUNT files of up to 4 KiB, each a slice of the CR LF text starting at a line.
small_files() {
    local folder=$data/small-$1
    [[ -d $folder ]] && return
    mkdir "$folder.part"
    head -c $(($1 * 4096)) "$data/greek-crlf.txt" | split -a 5 -d -C 4K --additional-suffix=.txt - "$folder.part/f"
    find "$folder.part" -name 'f*.txt' | sort | tail -n +$(($1 + 1)) | xargs -r rm -f
    mv "$folder.part" "$folder"
}

if [[ ! -f $data/greek-crlf.txt || ! -f $data/no-line-ends.txt ]]; then
    echo "Making the test files in $data ..."
    make_large_files "$data"
fi
small_files 2000
small_files 20000

# The converter's byte map as tr's two octal sets, from the table as the program read it.
read -r tr_from tr_to < <("$program" --show "$key" |
    awk -F= '/^[0-9]+=[0-9]+$/ { f = f sprintf("\\%03o", $1); t = t sprintf("\\%03o", $2) } END { print f, t }')
out=$work/out
copy=$work/copy

# The program's output is tr's, plus the CR LF that ends an unterminated last line.
check_output() {
    LC_ALL=C tr "$tr_from" "$tr_to" <"$1" >"$work/expected"
    "$program" --quiet -c "$key" "$1" "$out"
    cmp -s -n "$(stat -c %s "$1")" "$work/expected" "$out" || { echo "trelvick-convert's output differs from tr's" >&2; exit 1; }
    rm -f "$work/expected" "$out"
}
check_output "$data/greek-crlf.txt"
check_output "$data/no-line-ends.txt"

# Each pair: a name, then the floor and the program, each as a command and the clean-up before it.
pair_names=(crlf flat batch2k batch20k sync256 sync2k)
declare -A label floor floor_prepare program_command program_prepare
label[crlf]="256 MiB CR LF text"
label[flat]="1 GiB, no line end"
label[batch2k]="2,000 files of 4 KiB"
label[batch20k]="20,000 files of 4 KiB"
label[sync256]="256 MiB replaced, disk"
label[sync2k]="2,000 replaced, disk"
for name in crlf flat; do
    input=$data/greek-crlf.txt
    [[ $name == flat ]] && input=$data/no-line-ends.txt
    floor[$name]="cat '$input' >'$out'"
    floor_prepare[$name]="rm -f '$out'; sync"
    program_command[$name]="'$program' --quiet -c '$key' '$input' '$out'"
    program_prepare[$name]="rm -f '$out'; sync"
done
for count in 2000 20000; do
    folder=$data/small-$count
    floor[batch${count%000}k]="cp -r '$folder' '$copy'"
    floor_prepare[batch${count%000}k]="rm -rf '$copy'; sync"
    program_command[batch${count%000}k]="'$program' --quiet -c '$key' --batch '$folder'/f*.txt"
    program_prepare[batch${count%000}k]="rm -f '$folder'/*.out; sync"
done

# The durability pairs: new outputs (the floor) against replaced ones, on the disk.
disk=$(mktemp -d "${DISK_DIR:-/var/tmp}/trelvick-disk-bench.XXXXXX")
trap 'rm -rf "$work" "$disk"' EXIT
[[ $(stat -f -c %T "$disk") == tmpfs ]] && echo "note: $disk is in memory; the flush costs nothing there" >&2
cp "$data/greek-crlf.txt" "$disk/text"
cp -r "$data/small-2000" "$disk/small"
floor[sync256]="'$program' --quiet -c '$key' '$disk/text' '$disk/out'"
floor_prepare[sync256]="rm -f '$disk/out'; sync"
program_command[sync256]="${floor[sync256]}"
program_prepare[sync256]="[ -e '$disk/out' ] || ${floor[sync256]}; sync"
floor[sync2k]="'$program' --quiet -c '$key' --batch '$disk/small'/f*.txt"
floor_prepare[sync2k]="rm -f '$disk/small'/*.out; sync"
program_command[sync2k]="${floor[sync2k]}"
program_prepare[sync2k]="[ -e '$disk/small/f00000.txt.out' ] || ${floor[sync2k]}; sync"

echo "Timing: $rounds rounds of $runs runs per command, taking turns ..."
for ((round = 1; round <= rounds; round++)); do
    for name in "${pair_names[@]}"; do
        first=(-n floor --prepare "${floor_prepare[$name]}" "${floor[$name]}")
        second=(-n trelvick --prepare "${program_prepare[$name]}" "${program_command[$name]}")
        ((round % 2)) || { swap=("${first[@]}"); first=("${second[@]}"); second=("${swap[@]}"); }
        hyperfine --style none --warmup 1 --runs "$runs" --export-json "$work/json/$name.$round.json" \
            "${first[@]}" "${second[@]}" >/dev/null
    done
done
rm -f "$out" "$data"/small-*/*.out
rm -rf "$copy"

# Peak memory (maximum resident set size) of one run of each command.
peak_of() {
    /usr/bin/time -v -o "$work/rss" bash -c "$1" >/dev/null
    awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$work/rss"
}
for name in "${pair_names[@]}"; do
    eval "${floor_prepare[$name]}"
    echo "$name floor $(peak_of "${floor[$name]}")" >>"$work/peaks"
    eval "${program_prepare[$name]}"
    echo "$name trelvick $(peak_of "${program_command[$name]}")" >>"$work/peaks"
done
rm -f "$out" "$data"/small-*/*.out
rm -rf "$copy"

window=""
if [[ -x $window_bench ]]; then
    echo "Timing the window's Convert against the engine on the CR LF text ..."
    window=$(QT_QPA_PLATFORM=offscreen "$window_bench" "$data/greek-crlf.txt" $((rounds * runs)) |
        awk '/^window \/ engine/ { print $NF }')
    # The real window from exec to shown and exposed, and out again: an upper bound of its start-up.
    echo "Timing the window's start-up ..."
    runtime=$(mktemp -d "$work/runtime.XXXXXX")
    XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=offscreen hyperfine --warmup 2 --runs $((rounds * runs)) -N \
        --export-json "$work/startup.json" "$window_bench --startup" >/dev/null
fi

labels=$(for name in "${pair_names[@]}"; do printf '%s=%s\n' "$name" "${label[$name]}"; done)
python3 - "$work/json" "$work/peaks" "$window" "$labels" <<'EOF'
import json, pathlib, statistics, sys

folder, peaks_file, window, labels = sys.argv[1:]
labels = dict(line.split("=", 1) for line in labels.splitlines())
times = {}
for path in sorted(pathlib.Path(folder).glob("*.json")):
    pair = path.name.split(".")[0]
    for result in json.loads(path.read_text())["results"]:
        times.setdefault((pair, result["command"]), []).extend(result["times"])
peaks = {}
for line in pathlib.Path(peaks_file).read_text().split("\n"):
    if line:
        pair, command, mib = line.split()
        peaks[(pair, command)] = float(mib)

def spread(values):
    q = statistics.quantiles(values, n=4)
    return (q[2] - q[0]) / statistics.median(values)

floors = {"crlf": "cat", "flat": "cat", "batch2k": "cp -r", "batch20k": "cp -r", "sync256": "new", "sync2k": "new"}
targets = {"crlf": 1.15, "flat": 1.15, "batch2k": 0.5, "batch20k": 0.5, "sync256": None, "sync2k": None}
print()
print(f"{'input':<22} {'floor':>6} {'median s':>9} {'spread':>7} {'trelvick s':>10} {'spread':>7} "
      f"{'ratio':>6} {'target':>7} {'peak MiB':>9}")
for pair in labels:
    f, t = times[(pair, "floor")], times[(pair, "trelvick")]
    ratio = statistics.median(t) / statistics.median(f)
    peak = peaks[(pair, "trelvick")]
    target = targets[pair]
    verdict = "" if target is None else "met" if ratio <= target else "MISSED"
    print(f"{labels[pair]:<22} {floors[pair]:>6} {statistics.median(f):9.3f} {spread(f):7.0%} "
          f"{statistics.median(t):10.3f} {spread(t):7.0%} {ratio:6.2f} "
          f"{'-' if target is None else '<= ' + str(target):>7} {peak:9.1f}  {verdict}")
print(f"\n{len(next(iter(times.values())))} runs per command; peak memory target <= 32 MiB: "
      f"{'met' if all(p <= 32 for (_, c), p in peaks.items() if c == 'trelvick') else 'MISSED'}")
if window:
    print(f"Window's Convert / engine on the CR LF text: {float(window):.2f} (target <= 1.10: "
          f"{'met' if float(window) <= 1.10 else 'MISSED'})")
    startup = pathlib.Path(folder).parent / "startup.json"
    if startup.exists():
        ms = statistics.median(json.loads(startup.read_text())["results"][0]["times"]) * 1000
        print(f"Window start-up to shown, whole process: {ms:.0f} ms (target < 100 ms: "
              f"{'met' if ms < 100 else 'MISSED'})")
EOF
