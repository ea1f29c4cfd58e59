#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-spdx.sh [SOURCE-DIR]: lists the tracked source files and scripts whose first lines lack the licence
# identifier, and fails when there is any. Sources are C++ files, CMake files, Python files and every script
# (a shell file, or an executable file that starts with "#!").
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
line='SPDX-License-Identifier: GPL-3.0-or-later'

git -c safe.directory="$PWD" rev-parse --is-inside-work-tree >/dev/null 2>&1 || {
    echo "check-spdx: $PWD is no git work tree, so there is no list of its files" >&2
    exit 77 # "skipped", to CTest
}

missing=0
while IFS= read -r -d '' file; do
    [ -f "$file" ] || continue # deleted, not yet committed
    case "$file" in
        *.cpp | *.h | *.c | *.sh | *.cmake | CMakeLists.txt | */CMakeLists.txt | *.py) ;;
        *)
            [ -x "$file" ] && [ "$(head -c 2 "$file")" = '#!' ] || continue
            ;;
    esac
    if ! head -n 5 "$file" | grep -qF "$line"; then
        echo "$file"
        missing=$((missing + 1))
    fi
done < <(git -c safe.directory="$PWD" ls-files -z)

if [ "$missing" -gt 0 ]; then
    echo "check-spdx: $missing file(s) lack \"$line\" in their first 5 lines" >&2
    exit 1
fi
