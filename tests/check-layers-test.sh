#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-layers-test.sh SOURCE-DIR: plants one fault at a time in a copy of src/ and checks that
# tools/check-layers.sh names it, and that the tree as it is passes.
set -euo pipefail
source=$1
check=$source/tools/check-layers.sh
scratch=$(mktemp -d "${TMPDIR:-/tmp}/trelvick-layers.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
status=0

# plant NAME EXPECTED FILE SED-SCRIPT: the fault's report must hold EXPECTED; empty: no report at all.
plant() {
    local name=$1 expected=$2 file=$3 script=$4 report
    rm -rf "$scratch/src"
    cp -r "$source/src" "$scratch/src"
    if [ -n "$file" ]; then
        sed -i "$script" "$scratch/src/$file"
        if cmp -s "$source/src/$file" "$scratch/src/$file"; then
            echo "FAIL $name: the fault was not planted in src/$file"
            status=1
            return
        fi
    fi
    report=$(bash "$check" "$scratch" 2>&1) && found=0 || found=1
    if [ -z "$expected" ]; then
        [ "$found" = 0 ] || { echo "FAIL $name: reported $report"; status=1; }
    elif [ "$found" = 0 ] || [[ $report != *"$expected"* ]]; then
        echo "FAIL $name: expected a report with '$expected', got: ${report:-nothing}"
        status=1
    fi
}

plant "the tree as it is passes" "" "" ""
plant "an include without a link" "platform includes lang, but src/platform/CMakeLists.txt does not link trelvick_lang" \
    platform/CMakeLists.txt 's/PUBLIC trelvick_lang /PUBLIC /'
plant "a link without an include" "platform links trelvick_guess, but no file of src/platform includes guess/" \
    platform/CMakeLists.txt 's/PRIVATE trelvick_files/PRIVATE trelvick_files trelvick_guess/'
plant "a link in a comment is no link" "" \
    platform/CMakeLists.txt '1a # target_link_libraries(trelvick_platform PRIVATE trelvick_guess)'
plant "a link of a line of its own in a multi-line call" "app links trelvick_guess, but no file of src/app includes guess/" \
    app/CMakeLists.txt 's/^    PRIVATE trelvick_convert trelvick_rescue)/    PRIVATE trelvick_convert trelvick_rescue\n        trelvick_guess)/'
# config and platform link files PRIVATE: neither passes it on to app (rescue would: it goes too).
plant "a PRIVATE link passes nothing on" "app includes files, but src/app/CMakeLists.txt does not link trelvick_files" \
    app/CMakeLists.txt 's/ trelvick_files Qt6::Widgets/ Qt6::Widgets/; s/ trelvick_rescue)/)/'
plant "an include from a layer above" "files includes config, which is not below it" \
    files/paths.cpp '1a #include "config/configuration.h"'
exit $status
