#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# run-e2e.sh BUILD-DIR SCREENSHOT-DIR WMDELETE-HELPER
#
# The real program, installed from BUILD-DIR into a scratch prefix, in a real (virtual) X server:
#   1. it starts with the window "Trelvick" alone on the screen, client area 529 x 417;
#   2. a click on the English flag changes the window, the help button then opens the English help, and a click on
#      the Greek flag brings back exactly the start-up picture;
#   3. a close request (WM_DELETE_WINDOW) while idle ends it with status 0;
#   4. with tq.ini gone from its folder it shows the box "Trelvick - Trelvick" instead, and OK ends it with status 1.
# The screenshots land in SCREENSHOT-DIR (window-greek.png, window-english.png, help-english.png, c1-box.png).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

[ $# -eq 3 ] || fail "usage: $0 BUILD-DIR SCREENSHOT-DIR WMDELETE-HELPER"
need_tools xvfb-run xauth xdpyinfo xdotool xwininfo import compare identify cmake
run_in_x_server "$@"

build=$1
shots=$2
wmdelete=$3
# The two flags and the help button, at their centres in the client area.
greek_x=416 greek_y=56
english_x=480 english_y=56
info_x=496 info_y=352

make_scratch
mkdir -p "$shots"
note "installing into a scratch prefix"
install_into "$build" "$scratch/root"
check_tree "$scratch/root"
program=$scratch/root/bin/trelvick
park_pointer

note "start-up"
start_program "$program" "$scratch/first.log"
main=$(wait_for_window "Trelvick" "$pid" 30)
size=$(client_size "$main")
[ "$size" = 529x417 ] || fail "the window's client area is $size, not 529x417"
only_window "$main" "the main window"
shoot_settled "$main" "$scratch/greek.png"

note "English flag"
click "$main" "$english_x" "$english_y"
wait_for_picture "$main" "$scratch/english.png" "$scratch/greek.png" different 10
[ "$(window_name "$main")" = Trelvick ] || fail "in English the window is called \"$(window_name "$main")\""

note "help, in English"
click "$main" "$info_x" "$info_y"
help=$(wait_for_window "Trelvick - Help" "$pid" 15)
shoot_settled "$help" "$scratch/help-english.png"
"$wmdelete" "$help"

note "Greek flag"
click "$main" "$greek_x" "$greek_y"
wait_for_picture "$main" "$scratch/greek-again.png" "$scratch/greek.png" same 10

note "close request"
"$wmdelete" "$main"
wait_for_exit "$pid" 20
expect_status 0 "$scratch/first.log" "after a close request"

note "start-up without tq.ini"
rm "$program_dir/tq.ini"
start_program "$program" "$scratch/second.log"
box=$(wait_for_window "Trelvick - Trelvick" "$pid" 30)
only_window "$box" "the message box"
shoot_settled "$box" "$scratch/c1-box.png"
xdotool windowfocus "$box"
xdotool key Return
wait_for_exit "$pid" 20
expect_status 1 "$scratch/second.log" "after OK in the box"

cp "$scratch/greek.png" "$shots/window-greek.png"
cp "$scratch/english.png" "$shots/window-english.png"
cp "$scratch/help-english.png" "$shots/help-english.png"
cp "$scratch/c1-box.png" "$shots/c1-box.png"
note "passed; screenshots in $shots"
