#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-install.sh BUILD-DIR: cmake --install into a scratch prefix gives a complete tree whose parts fit together
# (check_tree in lib.sh), and a converter added the way the help's "Adding a converter" tells, with the installed
# trelvick-maketable, is read back by the installed trelvick-convert.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

[ $# -eq 1 ] || fail "usage: $0 BUILD-DIR"
need_tools cmake iconv
build=$1

make_scratch
install_into "$build" "$scratch/root"
check_tree "$scratch/root"
# Outside /usr the configuration goes to PREFIX/etc, and the program folder links to it.
etc_ini=$scratch/root/etc/trelvick/tq.ini
[ -L "$program_dir/tq.ini" ] && [ "$(readlink -f "$program_dir/tq.ini")" = "$(readlink -f "$etc_ini")" ] ||
    fail "the program folder's tq.ini is no link to $etc_ini"
cmp -s "$here/../../resources/tq.ini" "$etc_ini" || fail "the installed tq.ini is not the shipped one"

note "adding a converter as the help tells"
bin=$scratch/root/bin
"$bin/trelvick-maketable" --help >/dev/null || fail "trelvick-maketable --help fails"
export XDG_CONFIG_HOME=$scratch/config
mkdir -p "$XDG_CONFIG_HOME/trelvick"
personal=$XDG_CONFIG_HOME/trelvick/tq.ini
# An editor's work: the count raised by one, the description added to the list, the section header at the end;
# saved as UTF-8, as Linux editors save.
count=$(iconv -f CP1253 -t UTF-8 "$etc_ini" | tr -d '\r' | sed -n 's/^ΠλήθοςΜετατροπέων=//p')
added=$((count + 1))
iconv -f CP1253 -t UTF-8 "$etc_ini" |
    sed "s/^ΠλήθοςΜετατροπέων=.*/ΠλήθοςΜετατροπέων=$added\r/
         /^\[ΠεριγραφήΜετατροπέων\]/a Μ$added=850 (DOS Latin 1) -> 1252 (Windows Latin)\r" >"$personal"
printf '[Μ%s]\r\n' "$added" >>"$personal"
"$bin/trelvick-maketable" CP850 CP1252 >"$scratch/table" || fail "trelvick-maketable CP850 CP1252 fails"
[ -s "$scratch/table" ] || fail "trelvick-maketable CP850 CP1252 prints nothing"
cat "$scratch/table" >>"$personal"
"$bin/trelvick-convert" --list >"$scratch/list" || fail "trelvick-convert --list fails with the new converter"
grep -q "^Μ$added	850 (DOS Latin 1) -> 1252 (Windows Latin)\$" "$scratch/list" ||
    fail "trelvick-convert --list does not offer the new converter: $(cat "$scratch/list")"
"$bin/trelvick-convert" --show "$added" >"$scratch/shown" || fail "trelvick-convert --show $added fails"
sed -n 2p "$scratch/shown" | grep -qx "\[Μ$added\]" || fail "--show $added does not show the section [Μ$added]"
diff <(sort "$scratch/table") <(tail -n +3 "$scratch/shown" | sort) ||
    fail "trelvick-convert reads back another table than the tool made"

# The menu entry in English and Greek, in the Utility category.
for line in Name= GenericName= Comment= 'Name\[el\]=' 'GenericName\[el\]=' 'Comment\[el\]=' 'Categories=Utility;$'; do
    grep -q "^$line" "$scratch/root/share/applications/io.trelvick.Trelvick.desktop" || fail "the menu entry has no line ^$line"
done

# The installed programs find the installed catalogue by their own path, from any working folder, and
# never one in the working folder.
note "messages in the user's language"
mkdir -p "$scratch/elsewhere"
cd "$scratch/elsewhere"
[ -f "$scratch/root/share/locale/el/LC_MESSAGES/trelvick.mo" ] || fail "the Greek catalogue is not installed"
greek=$(LANGUAGE=el LANG=C.UTF-8 "$bin/trelvick-convert" -x 2>&1 || true)
[ "$greek" = "$(printf 'trelvick-convert: άγνωστη επιλογή «-x»\nΔείτε «trelvick-convert --help».')" ] ||
    fail "the installed trelvick-convert does not speak Greek: $greek"
greek=$(LANGUAGE=el LANG=C.UTF-8 "$bin/trelvick-maketable" NO-SUCH-PAGE CP1253 2>&1 || true)
case $greek in *"δεν ξέρει την κωδικοσελίδα"*) ;; *) fail "the installed trelvick-maketable does not speak Greek: $greek" ;; esac
