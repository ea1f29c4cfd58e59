#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times the engine's UTF-8 conversions against `cat` (the floor) and iconv, in memory, on a 256 MiB CR LF
# Greek DOS text (468 MiB as UTF-8):
#   - CP737 -> UTF-8 with the best kernel, and with the kernel forced to AVX2 and to the plain loop, against
#     `cat` of a file as large as its output;
#   - UTF-8 -> CP737 with the best kernel and the plain loop, against `cat` of its input;
# and prints each median, the ratios to the floor and to iconv, the processor time (user and system, of
# both threads) and its ratio to the floor's, and peak memory. The outputs are checked against iconv's
# first: line ends are kept, as iconv keeps them.
#
#   bench/run-utf8-bench.sh [path/to/trelvick-engine-bench]
#
# trelvick-engine-bench runs the engine file to file with codepages by name (-f/-t), as trelvick-convert
# does once it takes them. Build it as Release. ROUNDS (default 3) rounds of RUNS (default 3) runs per
# command after one warm-up, the order of the commands reversed every other round; the median is over all
# runs. THREAD=idle (the engine's own rule: a reading thread only while a processor is idle), always or
# never. BENCH_DIR (default /dev/shm) holds about 1.2 GiB meanwhile, removed afterwards. Needs hyperfine,
# GNU time and python3.
set -euo pipefail

bench=${1:-build/bin/trelvick-engine-bench}
rounds=${ROUNDS:-3}
runs=${RUNS:-3}
thread=${THREAD:-idle}
[[ -x $bench ]] || { echo "no engine bench program at '$bench' (build target trelvick-engine-bench)" >&2; exit 1; }
bench=$(realpath "$bench")
for tool in hyperfine /usr/bin/time python3; do
    command -v "$tool" >/dev/null || { echo "missing $tool (Debian packages hyperfine, time, python3)" >&2; exit 1; }
done

work=$(mktemp -d "${BENCH_DIR:-/dev/shm}/trelvick-utf8-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mib=$((1024 * 1024))

# shellcheck source=bench/testdata.sh
source "$(dirname "${BASH_SOURCE[0]}")/testdata.sh"

echo "Making the 256 MiB test file in $work ..."
make_greek_text 100000 | sed 's/$/\r/' >"$work/base.txt"
grow "$work/base.txt" $((256 * mib)) "$work/greek.txt"
rm -f "$work/base.txt"
iconv -f CP737 -t UTF-8 "$work/greek.txt" >"$work/greek.utf8"
out=$work/out

engine="'$bench' --thread=$thread"
declare -A commands=(
    [cat-utf8]="cat '$work/greek.utf8' > '$out'"
    [iconv-to-utf8]="iconv -f CP737 -t UTF-8 '$work/greek.txt' > '$out'"
    [to-utf8]="$engine -f CP737 -t UTF-8 '$work/greek.txt' '$out'"
    [to-utf8-avx2]="$engine --simd=avx2 -f CP737 -t UTF-8 '$work/greek.txt' '$out'"
    [to-utf8-plain]="$engine --simd=plain -f CP737 -t UTF-8 '$work/greek.txt' '$out'"
    [iconv-from-utf8]="iconv -f UTF-8 -t CP737 '$work/greek.utf8' > '$out'"
    [from-utf8]="$engine -f UTF-8 -t CP737 '$work/greek.utf8' '$out'"
    [from-utf8-plain]="$engine --simd=plain -f UTF-8 -t CP737 '$work/greek.utf8' '$out'"
)
names=(cat-utf8 iconv-to-utf8 to-utf8 to-utf8-avx2 to-utf8-plain iconv-from-utf8 from-utf8 from-utf8-plain)
if ! "$bench" --simd=avx2 -f CP737 -t UTF-8 /dev/null "$out" >/dev/null 2>&1; then
    echo "This processor has no AVX2: the AVX2 row is left out."
    names=("${names[@]/to-utf8-avx2/}")
fi

# The outputs are iconv's, byte for byte, whichever kernel makes them.
for name in "${names[@]}"; do
    [[ -n $name && $name != cat-* && $name != iconv-* ]] || continue
    expected=$work/greek.utf8
    [[ $name == from-* ]] && expected=$work/greek.txt
    bash -c "${commands[$name]}" >/dev/null
    cmp -s "$expected" "$out" || { echo "$name: output differs from iconv's" >&2; exit 1; }
done
echo "Outputs checked against iconv: $(($(stat -c %s "$work/greek.utf8") / mib)) MiB of UTF-8 from 256 MiB."

for ((round = 0; round < rounds; round++)); do
    order=("${names[@]}")
    if ((round % 2)); then
        order=()
        for ((i = ${#names[@]} - 1; i >= 0; i--)); do order+=("${names[$i]}"); done
    fi
    args=()
    for name in "${order[@]}"; do
        [[ -n $name ]] && args+=(--command-name "$name" "${commands[$name]}")
    done
    hyperfine --style none --warmup 1 --runs "$runs" --prepare "rm -f '$out'" \
        --export-json "$work/round$round.json" "${args[@]}" >/dev/null 2>&1
done

declare -A peak
for name in "${names[@]}"; do
    [[ -n $name ]] || continue
    rm -f "$out"
    /usr/bin/time -f '%M' -o "$work/rss" bash -c "${commands[$name]}" >/dev/null
    peak[$name]=$(awk '{ printf "%.1f", $1 / 1024 }' "$work/rss")
done

peaks=$(for name in "${!peak[@]}"; do echo "$name=${peak[$name]}"; done)
python3 - "$work" "$rounds" "$peaks" <<'PYTHON'
import json, statistics, sys
work, rounds, peaks = sys.argv[1], int(sys.argv[2]), dict(p.split("=") for p in sys.argv[3].split())
times, cpu = {}, {}
for r in range(rounds):
    for result in json.load(open(f"{work}/round{r}.json"))["results"]:
        times.setdefault(result["command"], []).extend(result["times"])
        cpu.setdefault(result["command"], []).append(result["user"] + result["system"])
median = {name: statistics.median(t) for name, t in times.items()}
cpu = {name: statistics.median(t) for name, t in cpu.items()}
floor, cpuFloor = median["cat-utf8"], cpu["cat-utf8"]
# Processor time (user + system, both threads) says more than wall time on a busy machine.
print(f"\n{'command':16} {'median s':>9} {'vs cat':>7} {'vs iconv':>9} {'cpu s':>7} {'vs cat':>7} {'peak MiB':>9}"
      "   (cat: of the UTF-8 file)")
for name in [n for n in ["cat-utf8", "iconv-to-utf8", "to-utf8", "to-utf8-avx2", "to-utf8-plain",
                          "iconv-from-utf8", "from-utf8", "from-utf8-plain"] if n in median]:
    iconv = median["iconv-from-utf8" if "from" in name else "iconv-to-utf8"]
    print(f"{name:16} {median[name]:9.3f} {median[name] / floor:7.2f} {median[name] / iconv:9.2f} "
          f"{cpu[name]:7.3f} {cpu[name] / cpuFloor:7.2f} {peaks[name]:>9}")
print("\nTargets: to-utf8 (every kernel) <= 1.15 x cat, from-utf8 <= 1.3 x cat, both <= 0.2 x iconv, "
      "peak memory <= 32 MiB.")
PYTHON
