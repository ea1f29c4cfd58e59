#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# run-rescue-e2e.sh BUILD-DIR SCREENSHOT-DIR WMDELETE-HELPER
#
# trelvick-rescue, installed from BUILD-DIR into a scratch prefix, in a real (virtual) X server, started on a
# folder as "Open With" starts it: its plan in Greek and in English with nothing written, Convert from the
# keyboard (the files then read as iconv reads them, a report saved), Undo (every byte and name back), a close
# request, and the command line's undo from the report of a window since closed. The screenshots land in
# SCREENSHOT-DIR. Every wait is bounded.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

[ $# -eq 3 ] || fail "usage: $0 BUILD-DIR SCREENSHOT-DIR WMDELETE-HELPER"
need_tools xvfb-run xauth xdpyinfo xdotool xprop import compare identify cmake iconv

# shellcheck source=x11.sh
source "$here/x11.sh"
in_virtual_x 1280x800 "$0" "$@"

build=$1 shots=$2 wmdelete=$3

make_scratch
mkdir -p "$shots"
install_into "$build" "$scratch/root"
program=$scratch/root/bin/trelvick-rescue
xdotool mousemove 1276 796

# The archive of an old machine: a text in each Greek codepage, one already in UTF-8, a name written in 737, and
# two letters too few to tell one codepage from another.
greek='Άνοιξη στην Αθήνα: οι μαθητές διαβάζουν ποιήματα του Καβάφη και του Σεφέρη,
ενώ οι γονείς τους συζητούν για την οικονομία και τον καιρό.'
archive=$scratch/Αρχείο
mkdir -p "$archive/web"
texts=(LETTER.TXT:CP737 OLD869.TXT:CP869 win.txt:CP1253 web/notes.txt:ISO-8859-7 utf8.txt:UTF-8)
for each in "${texts[@]}"; do
    printf '%s\r\n' "$greek" | iconv -f UTF-8 -t "${each#*:}" >"$archive/${each%%:*}"
done
name737=$(printf 'ΜΕΝΟΥ.TXT' | iconv -f UTF-8 -t CP737)
cp "$archive/LETTER.TXT" "$archive/$name737"
texts+=("$name737:CP737")
printf 'Αθ' | iconv -f UTF-8 -t CP1253 >"$archive/short.txt"
cp -a "$archive" "$scratch/before"

# same_as_before: the archive holds exactly what it held at the start, byte for byte and name for name.
same_as_before() {
    diff -r --no-dereference "$scratch/before" "$archive" >/dev/null 2>&1
}

# converted: every text reads as iconv makes it from its codepage.
converted() {
    local each
    for each in "${texts[@]}"; do
        cmp -s <(iconv -f "${each#*:}" -t UTF-8 "$scratch/before/${each%%:*}") "$archive/${each%%:*}" || return 1
    done
}

# wait_until SECONDS WHAT COMMAND...: polls COMMAND until it succeeds.
wait_until() {
    local seconds=$1 what=$2
    local deadline=$((SECONDS + seconds))
    shift 2
    until "$@"; do
        [ $SECONDS -lt "$deadline" ] || fail "$what did not happen within ${seconds}s"
        kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; fail "the program ended before $what"; }
        sleep 0.2
    done
}

# press ID KEYS: the keys, as typed into the window (the X server has no window manager to give it the focus).
press() {
    xdotool windowfocus --sync "$1"
    xdotool key "$2"
}

# pressed ID KEYS COMMAND...: presses KEYS, then runs COMMAND; for wait_until, which presses until COMMAND succeeds.
# A button pressed before the window allows it (while the plan is still being made) does nothing, and so does one
# pressed again once its work is under way or done.
pressed() {
    local id=$1 keys=$2
    shift 2
    press "$id" "$keys"
    "$@"
}

note "start-up on a folder, in Greek"
LANG=el_GR.UTF-8 LANGUAGE=el start_program "$program" "$scratch/greek.log" "$archive"
window=$(wait_for_window "Trelvick Διάσωση" 30)
only_window "$window" "the rescue window"
shoot "$window" "$shots/rescue-plan-greek.png"
same_as_before || fail "the plan changed the archive"
"$wmdelete" "$window"
expect_exit 0 20 "after a close request"

note "start-up on a folder, in English"
LANG=en_GB.UTF-8 LANGUAGE=en start_program "$program" "$scratch/english.log" "$archive"
window=$(wait_for_window "Trelvick Rescue" 30)
only_window "$window" "the rescue window"
# The window class the menu entry names, so that a desktop groups the window under its entry.
class=$(sed -n 's/^StartupWMClass=//p' "$scratch/root/share/applications/io.trelvick.Trelvick.Rescue.desktop")
xprop -id "$window" WM_CLASS | grep -q "\"$class\"" ||
    fail "the window's class is $(xprop -id "$window" WM_CLASS), not the menu entry's $class"
shoot "$window" "$shots/rescue-plan-english.png" different "$shots/rescue-plan-greek.png"
same_as_before || fail "the plan changed the archive"

note "Convert"
wait_until 60 "the conversion" pressed "$window" alt+c converted
reports=$scratch/home/.local/share/trelvick/reports
wait_until 10 "the report" compgen -G "$reports/rescue-*.tsv" >/dev/null
grep -q "	CP869	UTF-8	converted	" "$reports"/rescue-*.tsv || fail "the report has no row of the 869 text converted"
cmp -s "$scratch/before/short.txt" "$archive/short.txt" || fail "the file in doubt was converted unasked"
shoot "$window" "$shots/rescue-converted.png" different "$shots/rescue-plan-english.png"

note "Undo"
wait_until 60 "the undo" pressed "$window" alt+u same_as_before
only_window "$window" "the rescue window"

note "close request"
"$wmdelete" "$window"
expect_exit 0 20 "after a close request"

# The report outlives the window: the command line puts the archive back from it.
note "converted again, the window closed, undone from the report"
LANG=en_GB.UTF-8 LANGUAGE=en start_program "$program" "$scratch/again.log" "$archive"
window=$(wait_for_window "Trelvick Rescue" 30)
wait_until 60 "the second conversion" pressed "$window" alt+c converted
[ "$(ls "$reports" | wc -l)" = 2 ] || fail "two conversions left these reports: $(ls "$reports")"
report=$(ls -t "$reports"/rescue-*.tsv | head -n 1)
# Files are converted a moment before the window hears of them: the report's seven rows before closing.
whole_report() {
    [ "$(wc -l <"$report")" -ge 7 ]
}
wait_until 30 "the second report" whole_report
"$wmdelete" "$window"
expect_exit 0 20 "after a close request"
[ "$(wc -l <"$report")" = 7 ] || fail "the report has $(wc -l <"$report") rows, not one for each of the 7 files"
env HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" "$scratch/root/bin/trelvick-convert" --undo "$report" \
    >"$scratch/undo.log" 2>&1 || { cat "$scratch/undo.log"; fail "trelvick-convert --undo of the window's report"; }
same_as_before || fail "trelvick-convert --undo of the window's report did not put the archive back"
note "passed; screenshots in $shots"
