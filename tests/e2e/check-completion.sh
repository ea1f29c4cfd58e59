#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-completion.sh BUILD-DIR
#
# Installs the build into a scratch prefix and completes trelvick-convert command lines there as bash would,
# through the completion script that was installed: option names and their values from the program's option
# table (filled in at build time), converter keys from --list, codepage names from --list-codepages.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

[ $# -eq 1 ] || fail "usage: $0 BUILD-DIR"
[ -f /usr/share/bash-completion/bash_completion ] || fail "bash-completion is not installed (tools/setup-debian.sh)"
make_scratch
install_into "$1" "$scratch/root"
script=$scratch/root/share/bash-completion/completions/trelvick-convert
[ -f "$script" ] || fail "the completion script is not installed as $script"
bash -n "$script" || fail "the completion script is no valid bash"

# complete WORD... : the candidates bash offers for the last word, one a line.
complete_line() {
    XDG_CONFIG_HOME=$scratch/config PATH=$scratch/root/bin:$PATH bash -c '
        source /usr/share/bash-completion/bash_completion
        source "$0"
        COMP_WORDS=("$@")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE="${COMP_WORDS[*]}"
        COMP_POINT=${#COMP_LINE}
        _trelvick_convert trelvick-convert "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}"' "$script" trelvick-convert "$@"
}

rows=(
    "--eo|--eol="
    "--list-c|--list-codepages"
    "--gu|--guess="
    "--dry|--dry-run"
    "--no-p|--no-preserve="
    "-c Μ1|Μ1"
    "-c M|M1"
    "-c m1|m1"
    "-c 1|1"
    "--show Μ1|Μ1"
    "--eol l|lf"
    "--bom s|strip"
)
# The codepage names come from the program itself: a build that lists none yet skips those rows, and the
# check then reports itself skipped rather than passed.
codepages=$("$scratch/root/bin/trelvick-convert" --list-codepages 2>/dev/null || true)
if grep -qx CP737 <<<"$codepages"; then
    rows+=("-f CP73|CP737" "-t KOI8-|KOI8-R" "--from-code CP73|CP737" "-f cp73|cp737" "-f 73|737" "-t koi8-r|koi8-r"
        "-f au|auto")
fi
for row in "${rows[@]}"; do
    read -ra words <<<"${row%%|*}"
    got=$(complete_line "${words[@]}")
    grep -qx -- "${row#*|}" <<<"$got" || fail "completing '${row%%|*}' offers no '${row#*|}' among: $(tr '\n' ' ' <<<"$got")"
    [ -z "$(sort <<<"$got" | uniq -d)" ] || fail "completing '${row%%|*}' offers a word twice: $(tr '\n' ' ' <<<"$got")"
done
[ -n "$codepages" ] || { note "skipped: trelvick-convert --list-codepages lists no codepage names"; exit 77; }
note "passed"
