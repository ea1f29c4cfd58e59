# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# The end-to-end checks' life in a virtual X server: starting the program, finding its windows, clicking and
# taking pictures of them (sourced, after lib.sh, not run).

# in_virtual_x WIDTHxHEIGHT SCRIPT ARGUMENT...: runs SCRIPT again inside a virtual X server of its own, with a
# screen of that size, and returns only when it is run there.
in_virtual_x() {
    local size=$1 display
    shift
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
        exec timeout -k 10 240 xvfb-run -n "$display" -s "-screen 0 ${size}x24 -nolisten tcp -noreset" bash "$@"
    fi
    xdpyinfo >/dev/null 2>&1 || fail "the virtual X server on $DISPLAY does not answer"
}

# start_program PATH LOG [ARGUMENT...]: starts the program in the background, with a runtime folder of its own
# (so that the single-instance lock of another run cannot interfere) and a scratch home. Sets $pid and $log.
start_program() {
    local program=$1
    log=$2
    shift 2
    mkdir -p -m 700 "$scratch/home" "$scratch/runtime"
    env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$scratch/runtime" HOME="$scratch/home" \
        XDG_CONFIG_HOME="$scratch/home/.config" XDG_CACHE_HOME="$scratch/home/.cache" \
        XDG_DATA_HOME="$scratch/home/.local/share" "$program" "$@" >"$log" 2>&1 &
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
