#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the message template of trelvick-convert, trelvick-maketable and the rescue window (po/trelvick.pot,
# or the file given) from the sources po/POTFILES lists. The keywords are those of src/lang/catalog.h: tr, trn and
# N_, and the report's inLanguage; %1.. are Qt's placeholders, never printf's.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-po/trelvick.pot}
version=$(sed -n 's/^project(Trelvick VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
xgettext --qt --language=C++ --from-code=UTF-8 --keyword= --keyword=tr --keyword=trn:1,2 --keyword=N_ \
    --keyword=inLanguage:2 --keyword=inLanguage:2,3 \
    --flag=tr:1:qt-format --flag=trn:1:qt-format --flag=trn:2:qt-format --flag=inLanguage:2:qt-format \
    --flag=inLanguage:3:qt-format --flag=N_:1:no-c-format \
    --package-name=trelvick --package-version="$version" --msgid-bugs-address= --sort-by-file --add-location=file \
    --files-from=po/POTFILES -o "$out.tmp" 2>/dev/null
# The date would make every run differ from the committed template (and line numbers every edit: the
# locations name the files only).
sed -e '/^"POT-Creation-Date:/d' -e 's/^"Content-Type: text\/plain; charset=CHARSET/"Content-Type: text\/plain; charset=UTF-8/' "$out.tmp" >"$out"
rm -f "$out.tmp"
