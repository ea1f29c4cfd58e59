#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# package-deb.sh BUILD-DIR WMDELETE-HELPER
#
# Builds the Debian package from BUILD-DIR with CPack and checks it as apt would see it: name, version, section,
# architecture; dependencies that name Debian 12's Qt 6 runtime, the platform plugins and the font, every one a
# real package of this system, and covering every library the program links; lintian finds no error and no
# warning; tq.ini is the conffile /etc/trelvick/tq.ini, linked from the program folder. Then unpacks it into a
# scratch root (dpkg -x), checks the installed tree, the menu entry and the metainfo, and starts the unpacked
# program through its bin/ link in a virtual X server: the window "Trelvick" shows (so the program found its
# tq.ini) and a close request ends it with status 0.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

[ $# -eq 2 ] || fail "usage: $0 BUILD-DIR WMDELETE-HELPER"
need_tools cpack dpkg dpkg-deb dpkg-query objdump ldd xvfb-run xauth xdpyinfo xdotool lintian man \
    desktop-file-validate appstreamcli
# lintian alone takes a minute on a busy machine.
export TRELVICK_E2E_LIMIT=${TRELVICK_E2E_LIMIT:-540}
run_in_x_server "$@"
build=$1
wmdelete=$2

make_scratch
note "cpack -G DEB"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
debs=("$scratch"/out/trelvick_*.deb)
{ [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ]; } || fail "cpack made no single trelvick_*.deb: $(ls "$scratch/out")"
deb=${debs[0]}
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "trelvick_2001.9.12_$arch.deb" ] || fail "the package file is called $(basename "$deb")"
dpkg-deb -I "$deb"

field() {
    dpkg-deb -f "$deb" "$1"
}
[ "$(field Package)" = trelvick ] || fail "Package: $(field Package)"
[ "$(field Version)" = 2001.9.12 ] || fail "Version: $(field Version)"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"

# The dependency names, without versions or alternatives' bars.
mapfile -t depends < <(field Depends | tr ',|' '\n' | sed 's/(.*)//; s/:any//; s/^ *//; s/ *$//; /^$/d' | sort -u)
note "depends on: ${depends[*]}"
depends_on() {
    printf '%s\n' "${depends[@]}" | grep -qx "$1"
}
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins fonts-dejavu-core; do
    depends_on "$package" || fail "the package does not depend on $package"
done
for package in "${depends[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        fail "the dependency $package is no package of this system"
done

note "lintian"
# --fail-on makes warnings fatal too; the tags are also looked for, in case an older lintian ignores it.
lintian_status=0
lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 || lintian_status=$?
cat "$scratch/lintian.log"
if [ "$lintian_status" -ne 0 ] || grep -q '^[EW]: ' "$scratch/lintian.log"; then
    fail "lintian reports errors or warnings (status $lintian_status)"
fi

note "configuration file"
dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -qx './etc/trelvick/tq.ini' || fail "the package has no /etc/trelvick/tq.ini"
[ "$(dpkg-deb -I "$deb" conffiles)" = /etc/trelvick/tq.ini ] ||
    fail "the control archive does not list exactly /etc/trelvick/tq.ini in conffiles: $(dpkg-deb -I "$deb" conffiles)"

note "dpkg -x"
root=$scratch/root
dpkg -x "$deb" "$root"
cmp -s "$here/../../resources/tq.ini" "$root/etc/trelvick/tq.ini" || fail "/etc/trelvick/tq.ini is not the shipped one"
link=$root/usr/lib/trelvick/tq.ini
[ "$(readlink "$link")" = /etc/trelvick/tq.ini ] || fail "usr/lib/trelvick/tq.ini is not a link to /etc/trelvick/tq.ini"
# Installed, that link reaches the package's /etc; unpacked here, it must be pointed into the scratch root.
ln -sfn "$root/etc/trelvick/tq.ini" "$link"
check_tree "$root/usr"

for program in "$root"/usr/bin/*; do
    page=$root/usr/share/man/man1/$(basename "$program").1.gz
    [ -f "$page" ] || fail "$(basename "$program") has no manual page"
done
[ -f "$root/usr/share/doc/trelvick/copyright" ] || fail "no copyright file"
grep -q '^License: GPL-3+$' "$root/usr/share/doc/trelvick/copyright" || fail "the copyright file names no GPL-3+"
desktop-file-validate "$root/usr/share/applications/trelvick.desktop" || fail "desktop-file-validate rejects the menu entry"
metainfo=$root/usr/share/metainfo/io.trelvick.Trelvick.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
grep -q "<release version=\"$(field Version)\" date=\"[0-9-]*\"" "$metainfo" ||
    fail "the metainfo has no release $(field Version) with a date"
for program in "$root"/usr/bin/*; do
    grep -q "<binary>$(basename "$program")</binary>" "$metainfo" || fail "the metainfo does not provide $program"
done
case "$program_dir" in
    "$root"/usr/lib/*) ;;
    *) fail "the program folder $program_dir is not under /usr/lib" ;;
esac

# Every library the program names must come from a package it depends on.
owner() { # library path -> owning package; merged /usr means dpkg may know the path with or without /usr
    local path=$1 alternative
    case "$path" in /usr/*) alternative=${path#/usr} ;; *) alternative=/usr$path ;; esac
    { dpkg -S "$path" 2>/dev/null || dpkg -S "$alternative" 2>/dev/null; } | head -n 1 | cut -d: -f1
}
for soname in $(objdump -p "$program_dir/trelvick" | awk '$1 == "NEEDED" { print $2 }'); do
    path=$(ldd "$program_dir/trelvick" | awk -v lib="$soname" '$1 == lib { print $3 }')
    [ -n "$path" ] || fail "$soname is not found on this system"
    package=$(owner "$(readlink -f "$path")")
    [ -n "$package" ] || package=$(owner "$path")
    [ -n "$package" ] || fail "no package owns $path"
    depends_on "$package" || fail "the program links $soname from $package, which the package does not depend on"
done

note "starting the unpacked program"
start_program "$root/usr/bin/trelvick" "$scratch/program.log"
main=$(wait_for_window "Trelvick" "$pid" 30)
only_window "$main" "the main window"
[ "$(client_size "$main")" = 529x417 ] || fail "the window's client area is $(client_size "$main")"
"$wmdelete" "$main"
wait_for_exit "$pid" 20
expect_status 0 "$scratch/program.log" "after a close request"
note "installed files:"
dpkg-deb -c "$deb" | awk '{ print $1, $6, $7, $8 }'
note "passed"
