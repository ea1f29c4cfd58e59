#!/usr/bin/env bash
# check-install.sh BUILD-DIR: cmake --install into a scratch prefix gives a complete tree whose parts fit together
# (see check_tree in lib.sh), and the installed menu entry and metainfo pass their validators.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

[ $# -eq 1 ] || fail "usage: $0 BUILD-DIR"
need_tools cmake desktop-file-validate appstreamcli
build=$1

make_scratch
install_into "$build" "$scratch/root"
check_tree "$scratch/root"
[ -L "$scratch/root/bin/trelvick" ] || fail "bin/trelvick is not a link to the program in its folder"
cmp -s "$here/../../resources/tq.ini" "$program_dir/tq.ini" || fail "the installed tq.ini is not the shipped one"
desktop-file-validate "$scratch/root/share/applications/trelvick.desktop" ||
    fail "desktop-file-validate rejects the menu entry"
appstreamcli validate --no-net "$scratch/root/share/metainfo/io.trelvick.Trelvick.metainfo.xml" ||
    fail "appstreamcli rejects the metainfo"
for key in Name GenericName Comment; do
    grep -q "^$key=" "$scratch/root/share/applications/trelvick.desktop" || fail "the menu entry has no $key"
    grep -q "^${key}\[el\]=" "$scratch/root/share/applications/trelvick.desktop" ||
        fail "the menu entry has no Greek ${key}[el]"
done
grep -qx 'Categories=Utility;' "$scratch/root/share/applications/trelvick.desktop" ||
    fail "the menu entry is not in the Utility category"
note "installed tree:"
(cd "$scratch/root" && find . ! -type d | sort)
