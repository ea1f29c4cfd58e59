#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# run-e2e.sh BUILD-DIR SCREENSHOT-DIR WMDELETE-HELPER
#
# The real program, installed from BUILD-DIR into a scratch prefix, in a real (virtual) X server: its window, the
# flags, the help, a close request, and the box shown without tq.ini. The screenshots land in SCREENSHOT-DIR.
# Every wait is bounded: a check that does not see what it waits for fails with a message instead of hanging.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

[ $# -eq 3 ] || fail "usage: $0 BUILD-DIR SCREENSHOT-DIR WMDELETE-HELPER"
need_tools xvfb-run xauth xdpyinfo xdotool import compare identify cmake

# shellcheck source=x11.sh
source "$here/x11.sh"
in_virtual_x 1024x768 "$0" "$@"

build=$1 shots=$2 wmdelete=$3

make_scratch
mkdir -p "$shots"
install_into "$build" "$scratch/root"
program=$scratch/root/bin/trelvick
xdotool mousemove 1020 764

note "start-up"
start_program "$program" "$scratch/first.log"
main=$(wait_for_window "Trelvick" 30)
eval "$(xdotool getwindowgeometry --shell "$main")"
[ "${WIDTH}x$HEIGHT" = 529x417 ] || fail "the window's client area is ${WIDTH}x$HEIGHT, not 529x417"
only_window "$main" "the main window"
shoot "$main" "$shots/window-greek.png"

note "English flag"
click "$main" 480 56 # the English flag
shoot "$main" "$shots/window-english.png" different "$shots/window-greek.png"
name=$(xdotool getwindowname "$main")
[ "$name" = Trelvick ] || fail "in English the window is called \"$name\""

note "help, in English"
click "$main" 496 352 # the help button
help=$(wait_for_window "Trelvick - Help" 15)
shoot "$help" "$shots/help-english.png"
"$wmdelete" "$help"

note "Greek flag"
click "$main" 416 56 # the Greek flag
shoot "$main" "$scratch/greek-again.png" same "$shots/window-greek.png"

note "close request"
"$wmdelete" "$main"
expect_exit 0 20 "after a close request"

note "start-up without tq.ini"
rm "$(dirname "$(readlink -f "$program")")/tq.ini"
start_program "$program" "$scratch/second.log"
box=$(wait_for_window "Trelvick - Trelvick" 30)
only_window "$box" "the message box"
shoot "$box" "$shots/c1-box.png"
xdotool windowfocus "$box"
xdotool key Return
expect_exit 1 20 "after OK in the box"
note "passed; screenshots in $shots"
