# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Shared by the install, package and end-to-end checks (sourced, not run).

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

note() {
    echo "-- $*"
}

need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || fail "missing tool $tool (tools/setup-debian.sh installs it)"
    done
}

# A scratch folder, removed on exit together with the program the check started last ($pid).
make_scratch() {
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/trelvick-e2e.XXXXXX")
    trap '[ -z "${pid:-}" ] || kill -9 "$pid" 2>/dev/null || true; rm -rf "$scratch"' EXIT
}

# install_into BUILD-DIR PREFIX: cmake --install, quiet unless it fails.
install_into() {
    cmake --install "$1" --prefix "$2" >"$scratch/install.log" 2>&1 ||
        { cat "$scratch/install.log" >&2; fail "cmake --install $1"; }
}

# check_tree PREFIX: the installed files under PREFIX (a cmake --install prefix, or usr/ of an unpacked package)
# are complete and fit together: the command in bin/ reaches the program in its folder beside tq.ini and the help
# files, the menu entry names that command and installed icons, the metainfo names the menu entry.
# Sets $program_dir.
check_tree() {
    local prefix=$1 program file exec icon launchable
    local desktop=$prefix/share/applications/io.trelvick.Trelvick.desktop
    local metainfo=$prefix/share/metainfo/io.trelvick.Trelvick.metainfo.xml
    program=$(readlink -f "$prefix/bin/trelvick") || fail "$prefix/bin/trelvick is missing"
    { [ -f "$program" ] && [ -x "$program" ]; } || fail "bin/trelvick does not lead to an executable file ($program)"
    [ "$(basename "$program")" = trelvick ] || fail "bin/trelvick leads to $program, not to the program"
    program_dir=$(dirname "$program")
    [ "$program_dir" != "$(readlink -f "$prefix/bin")" ] ||
        fail "the program lies in bin/ itself: tq.ini and the help files would be in bin/"
    [ -f "$desktop" ] && [ -f "$metainfo" ] || fail "the menu entry or the metainfo is missing"
    exec=$(sed -n 's/^Exec=//p' "$desktop" | head -n 1)
    [ -e "$prefix/bin/${exec%% *}" ] || fail "the menu entry runs \"$exec\", which is not in $prefix/bin"
    icon=$(sed -n 's/^Icon=//p' "$desktop" | head -n 1)
    for file in "$program_dir"/{tq.ini,tq-grhlp.hlp,tq-ukhlp.hlp} "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" \
        "$prefix"/share/icons/hicolor/{48x48,64x64,128x128,256x256}/apps/"$icon.png"; do
        [ -f "$file" ] || fail "$file is missing"
    done
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    [ -f "$prefix/share/applications/$launchable" ] ||
        fail "the metainfo launches \"$launchable\", which is not an installed menu entry"
    check_rescue_tree "$prefix"
}

# has_lines FILE LINE...: FILE has each LINE, whole.
has_lines() {
    local file=$1 line
    shift
    for line in "$@"; do
        grep -qxF -- "$line" "$file" || fail "$file has no line \"$line\""
    done
}

# check_rescue_tree PREFIX: the rescue window lives in the program folder, and its menu entry, Dolphin's service
# menu and its metainfo lead to it and offer it for folders.
check_rescue_tree() {
    local prefix=$1 rescue launchable
    local desktop=$prefix/share/applications/io.trelvick.Trelvick.Rescue.desktop
    local servicemenu=$prefix/share/kio/servicemenus/io.trelvick.Trelvick.Rescue.desktop
    local metainfo=$prefix/share/metainfo/io.trelvick.Trelvick.Rescue.metainfo.xml
    rescue=$(readlink -f "$prefix/bin/trelvick-rescue") || fail "$prefix/bin/trelvick-rescue is missing"
    [ -x "$rescue" ] && [ "$(dirname "$rescue")" = "$program_dir" ] ||
        fail "bin/trelvick-rescue leads to $rescue, not to the program folder $program_dir"
    for file in "$desktop" "$servicemenu" "$metainfo"; do
        [ -f "$file" ] || fail "$file is missing"
    done
    has_lines "$desktop" 'Type=Application' 'Exec=trelvick-rescue %F' 'MimeType=inode/directory;' 'Icon=trelvick' \
        'Name=Trelvick Rescue' 'Name[el]=Trelvick Διάσωση' 'Categories=Utility;'
    # KDE's format, not the menu entries' one (desktop-file-validate would refuse Type=Service).
    has_lines "$servicemenu" 'Type=Service' 'MimeType=inode/directory;' 'Actions=convertToReadableText;' \
        '[Desktop Action convertToReadableText]' 'Name=Convert to readable text' \
        'Name[el]=Μετατροπή σε αναγνώσιμο κείμενο' 'Exec=trelvick-rescue %F' 'Icon=trelvick'
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    [ "$launchable" = io.trelvick.Trelvick.Rescue.desktop ] ||
        fail "the rescue metainfo launches \"$launchable\", not its own menu entry"
    grep -q '<binary>trelvick-rescue</binary>' "$metainfo" || fail "the rescue metainfo does not provide trelvick-rescue"
    grep -q '<mediatype>inode/directory</mediatype>' "$metainfo" || fail "the rescue metainfo does not take folders"
}
