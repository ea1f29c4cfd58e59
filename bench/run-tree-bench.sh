#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times trelvick-convert over a whole archive against `cp -a` of it, the floor a tool that reads and
# writes every file, and keeps its dates, cannot go far below:
#   trelvick-convert -r -f auto -t UTF-8 --output-dir OUT ARCHIVE    against    cp -a ARCHIVE OUT
# where ARCHIVE is 20,000 files of about 4 KiB in 200 folders, each folder in one of CP737, CP869,
# CP1253, ISO-8859-7 and UTF-8 (Greek prose with the odd frame). Both run on the disk (DISK_DIR,
# default /var/tmp), as users run them, and in memory (/dev/shm), so that the disk does not decide.
# The page cache is left warm: the first read of an archive costs both commands the same.
#
#   bench/run-tree-bench.sh [path/to/trelvick-convert]
#
# The machine is shared, so the two commands take turns: ROUNDS (default 3) rounds of RUNS (default 3)
# runs each after one warm-up, the order swapped every round. The median is over all runs; "spread" is
# their interquartile range over the median. JOBS (default: the processor count) is passed as -j.
# Needs hyperfine and python3; run as root, the script installs hyperfine when it is missing.
# The commands below are kept as text and expanded only by the shell that runs them.
# shellcheck disable=SC2016
set -euo pipefail

program=${1:-build/bin/trelvick-convert}
rounds=${ROUNDS:-3}
runs=${RUNS:-3}
jobs=${JOBS:-$(nproc)}
[[ -x $program ]] || { echo "no program at '$program' (build target trelvick-convert)" >&2; exit 1; }
program=$(realpath "$program")
if ! command -v hyperfine >/dev/null; then
    [[ $(id -u) -eq 0 ]] || { echo "missing hyperfine: apt-get install hyperfine" >&2; exit 1; }
    apt-get install -y hyperfine >/dev/null
fi

# shellcheck source=bench/testdata.sh
source "$(dirname "${BASH_SOURCE[0]}")/testdata.sh"

disk=$(mktemp -d "${DISK_DIR:-/var/tmp}/trelvick-tree-bench.XXXXXX")
memory=$(mktemp -d /dev/shm/trelvick-tree-bench.XXXXXX)
trap 'rm -rf "$disk" "$memory"' EXIT
[[ $(stat -f -c %T "$disk") == tmpfs ]] && echo "note: $disk is in memory too" >&2

echo "Making the archive on the disk and in memory ..."
make_archive "$disk/archive"
cp -r "$disk/archive" "$memory/archive"

# The program's output is iconv's, file by file.
"$program" --quiet -r -f auto -t UTF-8 -j "$jobs" --output-dir "$memory/out" "$memory/archive" || true
for file in "$memory"/archive/d000{0,1,2,3,4}/f000000.txt; do
    codepage=$("$program" --guess=name "$file" 2>/dev/null || true)
    [[ $codepage == UTF-8 ]] && expected=$(cat "$file") || expected=$(iconv -f "$codepage" -t UTF-8 "$file")
    [[ $(cat "$memory/out/${file#"$memory/archive/"}") == "$expected" ]] ||
        { echo "trelvick-convert's output of $file differs from iconv's" >&2; exit 1; }
done
rm -rf "$memory/out"

echo "Timing: $rounds rounds of $runs runs per command, taking turns ..."
json=$(mktemp -d "$memory/json.XXXXXX")
for place in disk memory; do
    root=${!place}
    floor=(-n floor --prepare "rm -rf '$root/out'; sync" "cp -a '$root/archive' '$root/out'")
    tool=(-n trelvick --prepare "rm -rf '$root/out'; sync"
        "'$program' --quiet -r -f auto -t UTF-8 -j $jobs --output-dir '$root/out' '$root/archive'")
    for ((round = 1; round <= rounds; round++)); do
        first=("${floor[@]}") second=("${tool[@]}")
        ((round % 2)) || { first=("${tool[@]}"); second=("${floor[@]}"); }
        hyperfine --style none --warmup 1 --runs "$runs" --export-json "$json/$place.$round.json" \
            "${first[@]}" "${second[@]}" >/dev/null
    done
    rm -rf "$root/out"
done

python3 - "$json" "$jobs" <<'EOF'
import json, pathlib, statistics, sys

folder, jobs = sys.argv[1:]
times = {}
for path in sorted(pathlib.Path(folder).glob("*.json")):
    place = path.name.split(".")[0]
    for result in json.loads(path.read_text())["results"]:
        times.setdefault((place, result["command"]), []).extend(result["times"])

def spread(values):
    q = statistics.quantiles(values, n=4)
    return (q[2] - q[0]) / statistics.median(values)

print()
print(f"20,000 files of 4 KiB in 200 folders, -f auto -t UTF-8 --output-dir, -j {jobs}")
print(f"{'where':<8} {'cp -a s':>8} {'spread':>7} {'trelvick s':>10} {'spread':>7} {'ratio':>6} {'target':>7}")
for place in ("disk", "memory"):
    f, t = times[(place, "floor")], times[(place, "trelvick")]
    ratio = statistics.median(t) / statistics.median(f)
    print(f"{place:<8} {statistics.median(f):8.3f} {spread(f):7.0%} {statistics.median(t):10.3f} {spread(t):7.0%} "
          f"{ratio:6.2f} {'<= 1.0':>7}  {'met' if ratio <= 1.0 else 'MISSED'}")
print(f"\n{len(next(iter(times.values())))} runs per command")
EOF
