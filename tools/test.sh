#!/usr/bin/env bash
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
status=0
for dir in build-test build-sanitize; do
    echo "== tests in $dir"
    "${runner[@]}" env -u XDG_RUNTIME_DIR HOME=/tmp QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j2 || status=1
done
exit $status
