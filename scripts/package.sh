#!/usr/bin/env bash
# Installs what is missing, builds a release tree and writes the Debian
# package build/package/orvane_<version>_<arch>.deb (install it with
# apt install ./build/package/orvane_<version>_<arch>.deb).
# Usage: scripts/package.sh   (as root, or as a user who may use sudo)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
# Debian's hardening flags, as its own packages are built with.
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
"$root/scripts/build.sh" "$root/build/release" -DCMAKE_BUILD_TYPE=Release \
  -DORVANE_TESTS=OFF -DORVANE_BENCH=OFF
cd "$root/build/release"
cpack -B "$root/build/package"
rm -rf "$root/build/package/_CPack_Packages"
ls "$root/build/package/"*.deb
