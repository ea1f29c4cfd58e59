#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What never losing a file costs in place, against writing into a new folder:
#   trelvick-convert -r -f CP737 -i FOLDER    against    trelvick-convert -r -f CP737 --output-dir OUT FOLDER
# on 8,000 files of 4 KiB in one folder, in memory (/dev/shm), and on 2,000 files of 4 KiB on the disk
# (DISK_DIR, default /var/tmp), as users run them. Before each run the folder is copied afresh from a
# pristine copy (not timed). Then how often each mode flushes (fdatasync, fsync, syncfs) and lists a
# folder (getdents64), counted by strace, per file.
#
#   bench/run-inplace-bench.sh [path/to/trelvick-convert]
#
# The two commands take turns for ROUNDS (default 3) rounds of RUNS (default 3) runs; the medians are
# shown. Needs hyperfine, strace and python3 (installed when missing and run as root).
# shellcheck disable=SC2016
set -euo pipefail

program=${1:-build/bin/trelvick-convert}
rounds=${ROUNDS:-3}
runs=${RUNS:-3}
[[ -x $program ]] || { echo "no program at '$program' (build target trelvick-convert)" >&2; exit 1; }
program=$(realpath "$program")
for tool in hyperfine strace; do
    if ! command -v $tool >/dev/null; then
        [[ $(id -u) -eq 0 ]] || { echo "missing $tool: apt-get install $tool" >&2; exit 1; }
        apt-get install -y $tool >/dev/null
    fi
done

# shellcheck source=bench/testdata.sh
source "$(dirname "${BASH_SOURCE[0]}")/testdata.sh"

disk=$(mktemp -d "${DISK_DIR:-/var/tmp}/trelvick-inplace-bench.XXXXXX")
memory=$(mktemp -d /dev/shm/trelvick-inplace-bench.XXXXXX)
trap 'rm -rf "$disk" "$memory"' EXIT

# make_files FOLDER COUNT: COUNT files of 4 KiB of Greek DOS text in one folder.
make_files() {
    local folder=$1 count=$2
    mkdir -p "$folder"
    make_greek_text $((count * 80)) >"$folder.text"
    split -a 5 -d -C 4K --additional-suffix=.txt "$folder.text" "$folder/f"
    rm "$folder.text"
    find "$folder" -type f -name 'f*' | sort | tail -n +$((count + 1)) | xargs -r rm
    local made
    made=$(find "$folder" -type f | wc -l)
    ((made == count)) || { echo "made $made files, not $count" >&2; exit 1; }
}

json=$(mktemp -d "$memory/json.XXXXXX")
measure() { # name root count
    local name=$1 root=$2 count=$3
    make_files "$root/pristine" "$count"
    local inplace=(-n in-place --prepare "rm -rf '$root/work'; cp -r '$root/pristine' '$root/work'; sync"
        "'$program' --quiet -r -f CP737 -i '$root/work'")
    local intodir=(-n output-dir --prepare "rm -rf '$root/work' '$root/out'; cp -r '$root/pristine' '$root/work'; sync"
        "'$program' --quiet -r -f CP737 --output-dir '$root/out' '$root/work'")
    for ((round = 1; round <= rounds; round++)); do
        local first=("${inplace[@]}") second=("${intodir[@]}")
        ((round % 2)) || { first=("${intodir[@]}"); second=("${inplace[@]}"); }
        hyperfine --style none --warmup 1 --runs "$runs" --export-json "$json/$name.$round.json" \
            "${first[@]}" "${second[@]}" >/dev/null
    done
    for mode in in-place output-dir; do
        rm -rf "$root/work" "$root/out"
        cp -r "$root/pristine" "$root/work"
        local args=(-i)
        [[ $mode == output-dir ]] && args=(--output-dir "$root/out")
        strace -f -c -U name,calls -e trace=fdatasync,fsync,syncfs,getdents64 -o "$json/$name.$mode.calls" \
            "$program" --quiet -r -f CP737 "${args[@]}" "$root/work"
    done
    rm -rf "$root/pristine" "$root/work" "$root/out"
}

echo "Timing: $rounds rounds of $runs runs per command, taking turns ..."
measure "memory-8000" "$memory" 8000
measure "disk-2000" "$disk" 2000

python3 - "$json" <<'PY'
import json, pathlib, statistics, sys

folder = pathlib.Path(sys.argv[1])
print()
print(f"{'files, where':<22} {'-i s':>8} {'--output-dir s':>15} {'ratio':>6} {'target':>7}")
for name, label in (("memory-8000", "8,000 in one folder, memory"), ("disk-2000", "2,000 on the disk")):
    times = {}
    for path in sorted(folder.glob(f"{name}.*.json")):
        for result in json.loads(path.read_text())["results"]:
            times.setdefault(result["command"], []).extend(result["times"])
    inplace, intodir = statistics.median(times["in-place"]), statistics.median(times["output-dir"])
    ratio = inplace / intodir
    print(f"{label:<22} {inplace:8.3f} {intodir:15.3f} {ratio:6.2f} {'<= 2':>7}  {'met' if ratio <= 2 else 'MISSED'}")
print()
print(f"{'system calls per file':<28} {'fdatasync':>9} {'fsync':>7} {'syncfs':>7} {'getdents64':>10}")
for name, count in (("memory-8000", 8000), ("disk-2000", 2000)):
    for mode in ("in-place", "output-dir"):
        calls = {}
        for line in (folder / f"{name}.{mode}.calls").read_text().splitlines():
            fields = line.split()
            if len(fields) == 2 and fields[1].isdigit():
                calls[fields[0]] = int(fields[1])
        row = " ".join(f"{calls.get(c, 0) / count:{w}.4f}" for c, w in
                       (("fdatasync", 9), ("fsync", 7), ("syncfs", 7), ("getdents64", 10)))
        print(f"{name + ' ' + mode:<28} {row}")
PY
