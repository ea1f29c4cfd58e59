#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang in a build tree of their own and runs each one for a fixed
# time (default 15 seconds) on a scratch copy of its seed corpus, after replaying the saved crash
# inputs in tests/fuzz/regressions/<target>/. Exits non-zero when any target fails.
#
#   tools/fuzz.sh [seconds-per-target]
#   FUZZ_BUILD_DIR=/tmp/build-fuzz FUZZ_TARGETS="engine" tools/fuzz.sh 600
#
# A finding is saved as build-fuzz/fuzz-artifacts/<target>/crash-... (or leak-, timeout-, oom-);
# rerun it with: build-fuzz/bin/fuzz_<target> <file>
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-15}
build=${FUZZ_BUILD_DIR:-build-fuzz}
targets=${FUZZ_TARGETS:-"profilereader countparser conversiontable engine guess"}

# Longest input per target: a few code sections of tq.ini, a count line, a handful of engine blocks, a
# page of text (the guess puts it behind filler near its window's size when asked).
declare -A max_len=([profilereader]=4096 [countparser]=128 [conversiontable]=8192 [engine]=4096 [guess]=4096)

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTRELVICK_FUZZ=ON -DTRELVICK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target trelvick_fuzz

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
for target in $targets; do
    binary=$build/bin/fuzz_$target
    seeds=tests/fuzz/corpus/$target
    artifacts=$build/fuzz-artifacts/$target
    log=$work/$target.log
    mkdir -p "$artifacts" "$work/$target"

    # Every input that once failed must keep passing.
    regressions=(tests/fuzz/regressions/"$target"/*)
    if [ -e "${regressions[0]}" ] && ! "$binary" "${regressions[@]}" >"$log" 2>&1; then
        echo "fuzz_$target: FAILED on a saved regression input"
        tail -n 30 "$log"
        status=1
        continue
    fi

    # New inputs go to the scratch folder (the first one); the committed seeds are only read.
    options=(-max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=10 -rss_limit_mb=2048
             -artifact_prefix="$artifacts/" -print_final_stats=1)
    [ -f "tests/fuzz/$target.dict" ] && options+=(-dict="tests/fuzz/$target.dict")
    if "$binary" "${options[@]}" "$work/$target" "$seeds" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 || true)
        echo "fuzz_$target: ok, ${runs:-?} runs in ${seconds} s, ${coverage:-cov: ?}, corpus $(ls "$work/$target" | wc -l) new"
    else
        echo "fuzz_$target: FAILED, input saved in $artifacts/"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|.*check failed|.*runtime error)' "$log" | head -n 5 || true
        tail -n 40 "$log"
        status=1
    fi
done
exit $status
