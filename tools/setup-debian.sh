#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages that building, running and testing Trelvick need, if missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    # a replaced output's access control list and extended attributes go to its replacement
    libacl1-dev libattr1-dev
    libgtest-dev googletest
    fonts-dejavu-core
    xvfb xauth xdotool x11-utils x11-apps imagemagick
    desktop-file-utils appstream dpkg-dev file lintian man-db
    clang libclang-rt-14-dev clang-format
    # --guess: text it is judged on, the catalogs of packages that install them in nearly every language
    # (tests/support/guesscorpus.h); the GTK and GLib catalogs the committed model was learnt from, which
    # only the target trelvick-guess-model reads: a build needs none of them; the detectors the bench
    # compares it with
    libc-l10n bash coreutils diffutils libpam-runtime at-spi2-common shared-mime-info libgdk-pixbuf2.0-common
    xdg-user-dirs gsettings-desktop-schemas
    libgtk2.0-common libgtk-3-common libglib2.0-data
    uchardet python3-chardet python3-icu python3-charset-normalizer
    # the completion check loads trelvick-convert's completion the way an interactive bash does
    bash-completion
    # the archive mode's test of how often it flushes and lists folders counts the system calls
    strace
    # the command line's message catalogues (xgettext, msgfmt) and the locales its tests run in
    gettext locales
    # the benches' peak memory of a process (bench/run-cli-bench.sh, bench/run-rescue-window-bench.sh)
    time
)

# The Greek and US English locales the command line's tests run it in (LANG=el_GR.UTF-8 picks the Greek
# catalogue and the C library's Greek error texts only where the locale exists).
generate_locales() {
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    for locale in el_GR en_US; do
        locale -a 2>/dev/null | grep -qix "${locale}.utf8" ||
            "${sudo[@]}" localedef -i "$locale" -c -f UTF-8 "${locale}.UTF-8"
    done
}

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
    generate_locales
    exit 0
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
generate_locales
