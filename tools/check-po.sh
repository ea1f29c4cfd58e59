#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The message catalogues are sound: po/trelvick.pot is what the sources make today (regenerate it with
# `cmake --build build --target trelvick-pot`), and every LANG.po of po/LINGUAS passes msgfmt --check and
# translates every message of the template (msgcmp), with no fuzzy entry left.
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"
status=0
fresh=$(mktemp)
trap 'rm -f "$fresh"' EXIT
tools/make-pot.sh "$fresh"
if ! diff -u po/trelvick.pot "$fresh"; then
    echo "po/trelvick.pot is stale: run cmake --build BUILD --target trelvick-pot and merge it into each .po" >&2
    status=1
fi
while read -r language; do
    case $language in '' | '#'*) continue ;; esac
    msgfmt --check --statistics -o /dev/null "po/$language.po" || status=1
    msgcmp "po/$language.po" po/trelvick.pot || status=1
    if grep -q '^#, .*fuzzy' "po/$language.po"; then
        echo "po/$language.po: fuzzy entries left" >&2
        status=1
    fi
done <po/LINGUAS
exit $status
