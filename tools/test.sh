#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Trelvick twice (warnings as errors; AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# every test of both builds under CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh

build() { # dir, extra cmake options...
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DTRELVICK_WERROR=ON "$@" >/dev/null
    cmake --build "$dir"
}
build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTRELVICK_SANITIZE=ON

# Permission refusals cannot be seen as root: when run as root, the tests run as an ordinary user
# if that user can reach the build folders, otherwise as root (those few cases then skip themselves).
runner=()
if [ "$(id -u)" -eq 0 ]; then
    id trelvick-test >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin trelvick-test
    chown -R trelvick-test build-test build-sanitize
    if runuser -u trelvick-test -- test -w build-test/CMakeCache.txt; then
        runner=(runuser -u trelvick-test --)
    else
        echo "note: build folders are not reachable by an ordinary user; running the tests as root" >&2
    fi
fi

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
tests() { # dir, extra ctest options...
    local dir=$1
    shift
    # The sanitizer options are passed on explicitly: runuser need not keep the environment.
    "${runner[@]}" env -u XDG_RUNTIME_DIR HOME=/tmp QT_QPA_PLATFORM=offscreen \
        ASAN_OPTIONS="$ASAN_OPTIONS" UBSAN_OPTIONS="$UBSAN_OPTIONS" LSAN_OPTIONS="${LSAN_OPTIONS:-}" \
        ctest --test-dir "$dir" --output-on-failure -j2 "$@"
}
# The window suites (tests/app/<name>.cpp that drive the window through its fixture, test <name>)
# also run leak-checked in the sanitizer build, with the known leaks of the libraries below Qt suppressed.
window_suites=$(cd tests/app && grep -l 'windowfixture.h' -- *test.cpp | sed 's/\.cpp$//' | paste -sd '|')
window_tests="^(${window_suites})\$"
status=0
echo "== tests in build-test"
tests build-test || status=1
echo "== tests in build-sanitize"
tests build-sanitize -E "$window_tests" || status=1
echo "== window tests in build-sanitize, leak-checked"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
    tests build-sanitize -R "$window_tests" || status=1

# A short run of every fuzz target (about a minute in all) on its own clang build.
echo "== fuzz targets"
tools/fuzz.sh 15 || status=1
exit $status
