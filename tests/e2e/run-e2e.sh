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

# The script runs again inside a virtual X server of its own.
if [ -z "${TRELVICK_E2E_IN_X:-}" ]; then
    export TRELVICK_E2E_IN_X=1
    # A display number of our own, away from :99 and from one just left by the previous X test: xvfb-run -a
    # can pick a number whose old server is still going away, and then the program reaches that server.
    display=$((110 + $$ % 800))
    while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
        display=$((display + 1))
    done
    # -noreset: by default the server resets each time its last client leaves (a check such as xdpyinfo or
    # xdotool), and a program connecting during that reset is refused.
    exec timeout -k 10 240 xvfb-run -n "$display" -s "-screen 0 1024x768x24 -nolisten tcp -noreset" bash "$0" "$@"
fi
xdpyinfo >/dev/null 2>&1 || fail "the virtual X server on $DISPLAY does not answer"

# start_program PATH LOG: starts the program in the background, with a runtime folder of its own (so that the
# single-instance lock of another run cannot interfere) and a scratch home. Sets $pid and $log.
start_program() {
    log=$2
    mkdir -p -m 700 "$scratch/home" "$scratch/runtime"
    env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$scratch/runtime" HOME="$scratch/home" \
        XDG_CONFIG_HOME="$scratch/home/.config" XDG_CACHE_HOME="$scratch/home/.cache" "$1" >"$log" 2>&1 &
    pid=$!
}

# wait_for_window NAME SECONDS: prints the id of the visible window called exactly NAME. Fails when it does not
# show in time or the program ends first (its log is shown).
wait_for_window() {
    local deadline=$((SECONDS + $2)) id
    while [ $SECONDS -lt "$deadline" ]; do
        for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            [ "$(xdotool getwindowname "$id" 2>/dev/null)" != "$1" ] || { echo "$id"; return 0; }
        done
        kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; fail "the program ended before a window \"$1\" showed"; }
        sleep 0.1
    done
    fail "no window called \"$1\" within $2s"
}

# only_window ID WHAT: fails when any other named window is visible (an unexpected message box, say).
only_window() {
    local other names=()
    for other in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        [ "$other" = "$1" ] || names+=("\"$(xdotool getwindowname "$other" 2>/dev/null)\"")
    done
    [ ${#names[@]} -eq 0 ] || fail "besides $2, these windows are showing: ${names[*]}"
}

# click ID X Y: a left click at (X, Y) of the window's client area; the pointer then moves off every window, so
# that no button shows a hover state in a screenshot.
click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
    xdotool mousemove 1020 764
}

# differing_pixels A B: how many pixels of the two pictures differ.
differing_pixels() {
    local out status=0
    out=$(compare -metric AE "$1" "$2" null: 2>&1) || status=$?
    [ "$status" -le 1 ] || fail "compare $1 $2: $out"
    echo "${out%% *}"
}

# shoot ID FILE [same|different REFERENCE]: a PNG of the window, without time stamps so that equal pictures give
# equal files, once it has finished painting: two shots in a row are the same, and not a blank area of one or two
# colours; when asked, also the same as, or different from, REFERENCE. The window repaints after a click in its
# own time, so this polls for up to 10 s.
shoot() {
    local deadline=$((SECONDS + 10)) last=$2.last
    import -window "$1" -strip "png:$last"
    while :; do
        sleep 0.2
        import -window "$1" -strip "png:$2"
        if [ "$(differing_pixels "$2" "$last")" = 0 ] && [ "$(identify -format '%k' "$2")" -gt 2 ]; then
            case ${3:-} in
                same) [ "$(differing_pixels "$2" "$4")" != 0 ] || break ;;
                different) [ "$(differing_pixels "$2" "$4")" = 0 ] || break ;;
                *) break ;;
            esac
        fi
        [ $SECONDS -lt "$deadline" ] || fail "window $1 did not settle into a picture ${3:-} ${4:-} within 10s"
        mv "$2" "$last"
    done
    rm -f "$last"
}

# expect_exit STATUS SECONDS WHAT: the program ends within SECONDS with STATUS (else it is killed or its log shown).
expect_exit() {
    local deadline=$((SECONDS + $2)) status=0
    while kill -0 "$pid" 2>/dev/null; do
        [ $SECONDS -lt "$deadline" ] || fail "$3: the program did not end within $2s"
        sleep 0.1
    done
    wait "$pid" || status=$?
    [ "$status" = "$1" ] || { cat "$log" >&2; fail "$3: the exit status is $status, not $1"; }
}

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
