#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# package-deb.sh BUILD-DIR
#
# Builds the Debian package from BUILD-DIR with CPack and checks its control fields and dependencies (every one a
# package of this system, covering every library the program links), lintian (and, for a build with Debian's
# hardening, that its pedantic run finds none missing), the conffile; then the unpacked tree, that the unpacked
# trelvick-convert reaches the conffile through the program folder's link, and that every program answers
# --version without a display.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

[ $# -eq 1 ] || fail "usage: $0 BUILD-DIR"
need_tools cpack dpkg dpkg-deb dpkg-query objdump ldd lintian man desktop-file-validate appstreamcli
build=$1

make_scratch
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
arch=$(dpkg --print-architecture)
# The changelog's version is the one the package, the metainfo and every program's --version must give.
version=$(sed -n '1s/^trelvick (\([^)]*\)).*/\1/p' "$here/../../packaging/changelog")
[ -n "$version" ] || fail "the changelog's first line names no version"
deb=$scratch/out/trelvick_${version}_$arch.deb
[ "$(ls "$scratch"/out/*.deb)" = "$deb" ] || fail "cpack made $(ls "$scratch/out"), not just $(basename "$deb")"

field() {
    dpkg-deb -f "$deb" "$1"
}
for pair in Package=trelvick "Version=$version" Section=utils "Architecture=$arch"; do
    [ "$(field "${pair%%=*}")" = "${pair#*=}" ] || fail "${pair%%=*}: $(field "${pair%%=*}"), not ${pair#*=}"
done
[ -n "$(field Maintainer)" ] || fail "no Maintainer"

# The dependency names, without versions or alternatives' bars.
mapfile -t depends < <(field Depends | tr ',|' '\n' | sed 's/(.*)//; s/:any//; s/^ *//; s/ *$//; /^$/d' | sort -u)
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

# --fail-on makes warnings fatal too; the tags are also looked for, in case an older lintian ignores it.
if ! lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 || grep -q '^[EW]: ' "$scratch/lintian.log"; then
    cat "$scratch/lintian.log"
    fail "lintian reports errors or warnings"
fi

# Hardening is a build's choice (TRELVICK_HARDENING, on for release builds); a build without it, such as the
# sanitizer build, makes a package that is never shipped.
hardened=false
if grep -qx 'TRELVICK_HARDENING:BOOL=ON' "$build/CMakeCache.txt"; then
    hardened=true
    lintian --pedantic -I "$deb" >"$scratch/pedantic.log" 2>&1 || { cat "$scratch/pedantic.log"; fail "lintian --pedantic -I"; }
    if grep ': hardening-' "$scratch/pedantic.log"; then
        fail "lintian finds programs built without Debian's hardening"
    fi
else
    note "$build is not a hardened build (TRELVICK_HARDENING): lintian's hardening tags not looked at"
fi

[ "$(dpkg-deb -I "$deb" conffiles)" = /etc/trelvick/tq.ini ] ||
    fail "the control archive does not list exactly /etc/trelvick/tq.ini in conffiles: $(dpkg-deb -I "$deb" conffiles)"

root=$scratch/root
dpkg -x "$deb" "$root"
cmp -s "$here/../../resources/tq.ini" "$root/etc/trelvick/tq.ini" || fail "/etc/trelvick/tq.ini is not the shipped one"
link=$root/usr/lib/trelvick/tq.ini
[ "$(readlink "$link")" = /etc/trelvick/tq.ini ] || fail "usr/lib/trelvick/tq.ini is not a link to /etc/trelvick/tq.ini"
# Installed, that link reaches the package's /etc; unpacked here, it must be pointed into the scratch root.
ln -sfn "$root/etc/trelvick/tq.ini" "$link"
check_tree "$root/usr"

[[ $program_dir == "$root"/usr/lib/* ]] || fail "the program folder $program_dir is not under /usr/lib"
# lintian's fortify check counts only some calls (it is overridden where it cannot see, see
# packaging/lintian-overrides); a program built with _FORTIFY_SOURCE imports at least one checked call.
if $hardened; then
    for program in "$program_dir"/trelvick*; do
        imports=$(objdump -T "$program")
        grep -qE ' __[a-z0-9_]+_chk$' <<<"$imports" ||
            fail "${program##*/} imports no fortified call: not built with _FORTIFY_SOURCE"
    done
fi
grep -q '^License: GPL-3+$' "$root/usr/share/doc/trelvick/copyright" || fail "the copyright file names no GPL-3+"
for entry in "$root"/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects the menu entry ${entry##*/}"
done
[ "$(ls "$root"/usr/share/applications)" = "io.trelvick.Trelvick.Rescue.desktop
io.trelvick.Trelvick.desktop" ] || fail "the menu entries are $(ls "$root"/usr/share/applications)"
[ "$(ls "$root"/usr/share/kio/servicemenus)" = io.trelvick.Trelvick.Rescue.desktop ] ||
    fail "the service menus are $(ls "$root"/usr/share/kio/servicemenus)"
for each in "$root"/usr/share/metainfo/*.xml; do
    appstreamcli validate --no-net "$each" || fail "appstreamcli rejects ${each##*/}"
done
metainfo=$root/usr/share/metainfo/io.trelvick.Trelvick.metainfo.xml
# Dated when this build was configured (or by SOURCE_DATE_EPOCH): the day the build folder's copy was written.
built=$(date -u -r "$build/packaging/io.trelvick.Trelvick.metainfo.xml" +%Y-%m-%d)
[ -z "${SOURCE_DATE_EPOCH:-}" ] || built=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)
for each in "$metainfo" "$root"/usr/share/metainfo/io.trelvick.Trelvick.Rescue.metainfo.xml; do
    grep -q "<release version=\"$version\" date=\"$built\"" "$each" ||
        fail "${each##*/} has no release $version dated $built: $(grep '<release ' "$each")"
done
for program in "$root"/usr/bin/*; do
    [ -f "$root/usr/share/man/man1/${program##*/}.1.gz" ] || fail "$program has no manual page"
    # grep reads the files itself: under pipefail, cat would die of SIGPIPE once grep -q has its line.
    grep -q -h "<binary>${program##*/}</binary>" "$root"/usr/share/metainfo/*.xml ||
        fail "no metainfo provides $program"
done

# Every library the programs name must come from a package it depends on (ldd names the loader by its path, not
# its soname). With merged /usr, dpkg may know the path of a library with or without /usr.
programs=("$program_dir/trelvick" "$program_dir/trelvick-rescue")
for soname in $(objdump -p "${programs[@]}" | awk '$1 == "NEEDED" { print $2 }' | sort -u); do
    path=$(ldd "${programs[@]}" | awk -v lib="$soname" '$1 == lib { print $3 } $1 ~ "/" lib "$" { print $1 }' |
        head -n 1)
    [ -n "$path" ] || fail "$soname is not found on this system"
    package=$({ dpkg -S "$path" "/usr$path" "${path#/usr}" 2>/dev/null || true; } | head -n 1 | cut -d: -f1)
    [ -n "$package" ] || fail "no package owns $path"
    depends_on "$package" || fail "the program links $soname from $package, which the package does not depend on"
done

# --version shows minor and patch in four digits each: 2001.9.12 is 2001.0009.0012.
shown=$(awk -F. '{ printf "%s.%04d.%04d", $1, $2, $3 }' <<<"$version")
# The window program answers before it looks for a display.
for program in trelvick trelvick-convert trelvick-rescue; do
    said=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/$program" --version) ||
        fail "$program --version fails"
    [ "$said" = "$program $shown" ] || fail "$program --version says $said, not $program $shown"
done

XDG_CONFIG_HOME=$scratch/config "$root/usr/bin/trelvick-convert" --list >"$scratch/list" ||
    fail "the unpacked trelvick-convert --list fails"
grep -q "^Μ1	" "$scratch/list" || fail "the unpacked trelvick-convert lists no converter Μ1: $(cat "$scratch/list")"
note "passed"
