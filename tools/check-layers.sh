#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-layers.sh [SOURCE-DIR]: fails when a folder of src/ includes a header of a folder on its own
# layer or a higher one, or when its CMake links and its includes disagree. The layers, lowest first,
# one a line; a folder may include its own headers and those of folders on lower lines only. A folder
# that no line names fails too, so that a new one is given its place here.
#
# Links and includes, folder by folder (every target of src/X/CMakeLists.txt counts for X, main.cpp
# and its program included):
#   - a link to a project library (trelvick_Y) needs an include of Y/ somewhere in src/X: no link
#     is kept for nothing;
#   - an include of Y/ needs a link to trelvick_Y, directly or through the PUBLIC links of the
#     libraries X links, as CMake passes them on (a library's PUBLIC links are part of what its
#     headers offer: lang's headers use base's error type, so a folder that links lang may include
#     base/error.h). A plain link without a keyword passes on as PUBLIC does.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}/src"

layers=(
    "base"               # the error type every layer shares
    "lang convert guess" # texts; tables and the engine; the codepage detector
    "files charset"      # paths, file operations, the safe file conversion; codepages by name
    "config platform tree" # tq.ini and its code sections; the Platform seam; jobs over folders
    "rescue"             # the rescue of whole archives, for every face
    "app cli rescueapp"  # the window, trelvick-convert and the rescue window
)

declare -A level
for i in "${!layers[@]}"; do
    for folder in ${layers[$i]}; do
        level[$folder]=$i
    done
done

# "TARGET KIND LIBRARY" for every library that a target_link_libraries of the CMakeLists names.
links_of() {
    awk '
        { sub(/#.*/, ""); text = text " " $0 }
        END {
            while (match(text, /target_link_libraries[ \t]*\([^)]*\)/)) {
                block = substr(text, RSTART, RLENGTH)
                text = substr(text, RSTART + RLENGTH)
                sub(/^target_link_libraries[ \t]*\(/, "", block)
                sub(/\)$/, "", block)
                n = split(block, word, /[ \t]+/)
                target = ""
                kind = "PUBLIC"
                for (i = 1; i <= n; i++) {
                    if (word[i] == "")
                        continue
                    if (target == "")
                        target = word[i]
                    else if (word[i] ~ /^(PUBLIC|PRIVATE|INTERFACE)$/)
                        kind = word[i]
                    else
                        print target, kind, word[i]
                }
            }
        }' "$1"
}

declare -A links   # folder -> the project folders its targets link, " a b "
declare -A passes  # folder -> the project folders its library passes on (PUBLIC, INTERFACE), " a b "
for dir in */; do
    folder=${dir%/}
    [ -f "$folder/CMakeLists.txt" ] || continue
    while read -r target kind library; do
        [[ $library =~ ^trelvick_([a-z]+)$ ]] || continue
        linked=${BASH_REMATCH[1]}
        [ -n "${level[$linked]+set}" ] && [ "$linked" != "$folder" ] || continue
        links[$folder]+=" $linked "
        if [ "$target" = "trelvick_$folder" ] && [ "$kind" != PRIVATE ]; then
            passes[$folder]+=" $linked "
        fi
    done < <(links_of "$folder/CMakeLists.txt")
done

# The folders whose headers a folder may include: what it links, and what those pass on, and so on.
reachable() {
    local -A seen=()
    local queue=(${links[$1]:-}) next
    while [ ${#queue[@]} -gt 0 ]; do
        next=${queue[0]}
        queue=("${queue[@]:1}")
        [ -z "${seen[$next]+set}" ] || continue
        seen[$next]=1
        queue+=(${passes[$next]:-})
    done
    echo " ${!seen[*]} "
}

status=0
for dir in */; do
    folder=${dir%/}
    if [ -z "${level[$folder]+set}" ]; then
        echo "src/$folder is on no layer: give it one in tools/check-layers.sh"
        status=1
        continue
    fi
    reach=$(reachable "$folder")
    declare -A included=()
    while IFS= read -r hit; do
        # file:line:#include "other/header.h"
        [[ $hit =~ ^([^:]+):([0-9]+):.*\"([^\"/]+)/ ]] || continue
        file=${BASH_REMATCH[1]} line=${BASH_REMATCH[2]} target=${BASH_REMATCH[3]}
        [ "$target" = "$folder" ] && continue
        [ -n "${level[$target]+set}" ] || continue # not a folder of src/
        included[$target]=1
        if ((level[$target] >= level[$folder])); then
            echo "src/$file:$line: $folder includes $target, which is not below it"
            status=1
        elif [[ $reach != *" $target "* ]]; then
            echo "src/$file:$line: $folder includes $target, but src/$folder/CMakeLists.txt does not link trelvick_$target (nor a library that passes it on)"
            status=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$folder" || true)
    for linked in $(tr ' ' '\n' <<<"${links[$folder]:-}" | sort -u); do
        if [ -z "${included[$linked]+set}" ]; then
            echo "src/$folder/CMakeLists.txt: $folder links trelvick_$linked, but no file of src/$folder includes $linked/"
            status=1
        fi
    done
    unset included
done
exit $status
