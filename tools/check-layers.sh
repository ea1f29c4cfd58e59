#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-layers.sh [SOURCE-DIR]: fails when a folder of src/ includes a header of a folder on its own
# layer or a higher one. The layers, lowest first, one a line; a folder may include its own headers
# and those of folders on lower lines only. A folder that no line names fails too, so that a new one
# is given its place here.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}/src"

layers=(
    "base"               # the error type every layer shares
    "lang convert guess" # texts; tables and the engine; the codepage detector
    "files charset"      # paths, file operations, the safe file conversion; codepages by name
    "config platform tree" # tq.ini and its code sections; the Platform seam; jobs over folders
    "rescue"             # the rescue of whole archives, for every face
    "app cli"            # the window and trelvick-convert
)

declare -A level
for i in "${!layers[@]}"; do
    for folder in ${layers[$i]}; do
        level[$folder]=$i
    done
done

status=0
for dir in */; do
    folder=${dir%/}
    if [ -z "${level[$folder]+set}" ]; then
        echo "src/$folder is on no layer: give it one in tools/check-layers.sh"
        status=1
        continue
    fi
    while IFS= read -r hit; do
        # file:line:#include "other/header.h"
        [[ $hit =~ ^([^:]+):([0-9]+):.*\"([^\"/]+)/ ]] || continue
        file=${BASH_REMATCH[1]} line=${BASH_REMATCH[2]} target=${BASH_REMATCH[3]}
        [ "$target" = "$folder" ] && continue
        [ -n "${level[$target]+set}" ] || continue # not a folder of src/
        if ((level[$target] >= level[$folder])); then
            echo "src/$file:$line: $folder includes $target, which is not below it"
            status=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$folder" || true)
done
exit $status
