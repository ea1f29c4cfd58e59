#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from this source tree, a release build without the tests, hardened as Debian
# builds its packages (dpkg-buildflags): build-deb/trelvick_<version>_<architecture>.deb. Install it with:
# sudo apt install ./build-deb/trelvick_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRELVICK_BUILD_TESTS=OFF -DTRELVICK_HARDENING=ON >/dev/null
cmake --build build-deb
(cd build-deb && cpack -G DEB)
ls "$PWD"/build-deb/trelvick_*.deb
