#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-format.sh [SOURCE-DIR]: fails when a tracked C++ file differs from what clang-format makes of it under
# the tree's .clang-format, and shows where. One clang-format run over every file takes a second or two.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

git -c safe.directory="$PWD" rev-parse --is-inside-work-tree >/dev/null 2>&1 || {
    echo "check-format: $PWD is no git work tree, so there is no list of its files" >&2
    exit 77 # "skipped", to CTest
}
command -v clang-format >/dev/null || {
    echo "check-format: clang-format is not installed (tools/setup-debian.sh)" >&2
    exit 1
}
files=()
while IFS= read -r -d '' file; do
    [ -f "$file" ] && files+=("$file") # a deleted file not yet committed is skipped
done < <(git -c safe.directory="$PWD" ls-files -z -- '*.cpp' '*.h')
clang-format --dry-run -Werror "${files[@]}"
