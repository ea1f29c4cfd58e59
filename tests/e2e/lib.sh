# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Shared by the install, package and end-to-end checks (sourced, not run). Every wait is bounded: a check that
# does not see what it waits for fails with a message instead of hanging.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

note() {
    echo "-- $*"
}

need_tools() {
    local tool missing=()
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    [ ${#missing[@]} -eq 0 ] || fail "missing tools: ${missing[*]} (tools/setup-debian.sh installs them)"
}

# A scratch folder removed on exit, and programs started by start_program killed on exit.
started_pids=()
make_scratch() {
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/trelvick-e2e.XXXXXX")
    trap cleanup EXIT
}
cleanup() {
    local pid
    for pid in "${started_pids[@]}"; do
        kill -9 "$pid" 2>/dev/null || true
    done
    [ -z "${scratch:-}" ] || rm -rf "$scratch"
}

# run_in_x_server "$@": runs the calling script again inside a virtual X server of its own, unless it already is.
run_in_x_server() {
    if [ -n "${TRELVICK_E2E_IN_X:-}" ]; then
        # The server runs with -noreset: by default it resets each time its last client leaves (a check such as
        # xdpyinfo or xdotool), and a program connecting during that reset is refused.
        local tries=0
        until xdpyinfo >/dev/null 2>&1; do
            tries=$((tries + 1))
            [ "$tries" -le 100 ] || fail "the virtual X server on $DISPLAY does not answer"
            sleep 0.1
        done
        return 0
    fi
    export TRELVICK_E2E_IN_X=1
    # A display number of our own, away from :99 and from one just left by the previous X test: xvfb-run -a
    # can pick a number whose old server is still going away, and then the program reaches that server.
    local display=$((110 + $$ % 800))
    while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
        display=$((display + 1))
    done
    exec timeout -k 10 "${TRELVICK_E2E_LIMIT:-240}" \
        xvfb-run -n "$display" -s "-screen 0 1024x768x24 -nolisten tcp -noreset" bash "$0" "$@"
}

# install_into BUILD-DIR PREFIX: cmake --install, quiet unless it fails.
install_into() {
    cmake --install "$1" --prefix "$2" >"$scratch/install.log" 2>&1 ||
        { cat "$scratch/install.log" >&2; fail "cmake --install $1"; }
}

# start_program PATH LOG: starts the program in the background on the X display, with a runtime folder of its
# own (so the single-instance lock of another run cannot interfere) and a scratch home. Sets $pid.
start_program() {
    local program=$1 log=$2
    mkdir -p "$scratch/home"
    mkdir -p "$scratch/runtime"
    chmod 700 "$scratch/runtime"
    env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$scratch/runtime" HOME="$scratch/home" \
        XDG_CONFIG_HOME="$scratch/home/.config" XDG_CACHE_HOME="$scratch/home/.cache" \
        "$program" >"$log" 2>&1 &
    pid=$!
    started_pids+=("$pid")
}

# visible_windows: the ids of the mapped windows that have a name.
visible_windows() {
    xdotool search --onlyvisible --name '.' 2>/dev/null || true
}

# window_name ID
window_name() {
    xdotool getwindowname "$1" 2>/dev/null || true
}

# wait_for_window NAME PID SECONDS: prints the id of the visible window called exactly NAME. Fails when it does
# not show in time or the program ends first (its log is shown).
wait_for_window() {
    local name=$1 program_pid=$2 seconds=$3 deadline id
    deadline=$((SECONDS + seconds))
    while [ $SECONDS -lt "$deadline" ]; do
        for id in $(visible_windows); do
            if [ "$(window_name "$id")" = "$name" ]; then
                echo "$id"
                return 0
            fi
        done
        if ! kill -0 "$program_pid" 2>/dev/null; then
            cat "$scratch"/*.log >&2 2>/dev/null || true
            fail "the program ended before a window called \"$name\" showed"
        fi
        sleep 0.1
    done
    fail "no window called \"$name\" within ${seconds}s"
}

# only_window ID WHAT: fails when any other named window is visible (an unexpected message box, say).
only_window() {
    local id=$1 what=$2 other names=()
    for other in $(visible_windows); do
        [ "$other" = "$id" ] || names+=("\"$(window_name "$other")\"")
    done
    [ ${#names[@]} -eq 0 ] || fail "besides $what, these windows are showing: ${names[*]}"
}

# client_size ID: WIDTHxHEIGHT of the window's client area.
client_size() {
    xwininfo -id "$1" | awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print w "x" h }'
}

# park_pointer: moves the mouse pointer off every window, so no button shows a hover state in a screenshot.
park_pointer() {
    xdotool mousemove 1020 764
}

# click ID X Y: a left click at (X, Y) of the window's client area, then the pointer is parked.
click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
    park_pointer
}

# shoot ID FILE: a PNG of the window, without time stamps, so equal pictures give equal files.
shoot() {
    import -window "$1" -strip "png:$2"
}

# shoot_settled ID FILE: like shoot, once the window has finished painting: two pictures in a row are the same,
# and the picture is not a blank area of one or two colours.
shoot_settled() {
    local id=$1 file=$2 deadline colours
    deadline=$((SECONDS + 10))
    shoot "$id" "$file"
    while :; do
        sleep 0.2
        shoot "$id" "$file.next"
        if [ "$(differing_pixels "$file" "$file.next")" = 0 ]; then
            colours=$(identify -format '%k' "$file")
            [ "$colours" -gt 2 ] && break
        fi
        [ $SECONDS -lt "$deadline" ] || fail "window $id did not settle into a painted picture within 10s"
        mv "$file.next" "$file"
    done
    rm -f "$file.next"
}

# differing_pixels A B: how many pixels of the two pictures differ.
differing_pixels() {
    local out status=0
    out=$(compare -metric AE "$1" "$2" null: 2>&1) || status=$?
    [ "$status" -le 1 ] || fail "compare $1 $2: $out"
    echo "${out%% *}"
}

# wait_for_picture ID FILE REFERENCE same|different SECONDS: screenshots the window into FILE until it is the same
# as, or differs from, REFERENCE. The window repaints after a click in its own time, so this polls.
wait_for_picture() {
    local id=$1 file=$2 reference=$3 want=$4 seconds=$5 deadline count
    deadline=$((SECONDS + seconds))
    while :; do
        shoot "$id" "$file"
        count=$(differing_pixels "$file" "$reference")
        if [ "$want" = same ] && [ "$count" = 0 ]; then return 0; fi
        if [ "$want" = different ] && [ "$count" != 0 ]; then return 0; fi
        [ $SECONDS -lt "$deadline" ] ||
            fail "$file: $count pixels differ from $reference after ${seconds}s, wanted $want"
        sleep 0.2
    done
}

# wait_for_exit PID SECONDS: sets $exit_status to the program's exit status; fails (killing the program) when it
# is still running then. Not for a subshell: only the shell that started the program can read its status.
wait_for_exit() {
    local program_pid=$1 seconds=$2 deadline
    deadline=$((SECONDS + seconds))
    while kill -0 "$program_pid" 2>/dev/null; do
        if [ $SECONDS -ge "$deadline" ]; then
            kill -9 "$program_pid" 2>/dev/null || true
            fail "the program did not end within ${seconds}s"
        fi
        sleep 0.1
    done
    exit_status=0
    wait "$program_pid" || exit_status=$?
}

# expect_status WANT LOG WHAT: the status wait_for_exit found is WANT, or the program's log is shown.
expect_status() {
    [ "$exit_status" = "$1" ] || { cat "$2" >&2; fail "$3: the exit status is $exit_status, not $1"; }
}

# desktop_key FILE KEY: the value of an untranslated key of a .desktop file.
desktop_key() {
    sed -n "s/^$2=//p" "$1" | head -n 1
}

# check_tree PREFIX: the installed files under PREFIX (a cmake --install prefix, or usr/ of an unpacked package)
# are complete and fit together: the command in bin/ reaches the program in its folder beside tq.ini and the help
# files, the menu entry names that command and an installed icon, the metainfo names the menu entry.
# Sets $program_dir.
check_tree() {
    local prefix=$1 launcher program file size exec icon launchable
    launcher=$prefix/bin/trelvick
    [ -e "$launcher" ] || fail "$launcher is missing"
    program=$(readlink -f "$launcher")
    { [ -f "$program" ] && [ -x "$program" ]; } || fail "$launcher does not lead to an executable file ($program)"
    [ "$(basename "$program")" = trelvick ] || fail "$launcher leads to $program, not to the program"
    program_dir=$(dirname "$program")
    [ "$program_dir" != "$(readlink -f "$prefix/bin")" ] ||
        fail "the program lies in bin/ itself: tq.ini and the help files would be in bin/"
    for file in tq.ini tq-grhlp.hlp tq-ukhlp.hlp; do
        [ -f "$program_dir/$file" ] || fail "$file is not beside the program in $program_dir"
    done

    local desktop=$prefix/share/applications/trelvick.desktop
    local metainfo=$prefix/share/metainfo/io.trelvick.Trelvick.metainfo.xml
    [ -f "$desktop" ] || fail "the menu entry $desktop is missing"
    [ -f "$metainfo" ] || fail "the metainfo $metainfo is missing"
    exec=$(desktop_key "$desktop" Exec)
    [ -e "$prefix/bin/${exec%% *}" ] || fail "the menu entry runs \"$exec\", which is not in $prefix/bin"
    icon=$(desktop_key "$desktop" Icon)
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon.svg"
    for size in 48x48 64x64 128x128 256x256; do
        [ -f "$prefix/share/icons/hicolor/$size/apps/$icon.png" ] || fail "no $size icon $icon.png"
    done
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    [ -f "$prefix/share/applications/$launchable" ] ||
        fail "the metainfo launches \"$launchable\", which is not an installed menu entry"
}
