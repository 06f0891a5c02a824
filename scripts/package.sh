#!/usr/bin/env bash
# Installs what is missing, builds a release tree and writes the Debian
# package build/package/orvane_<version>_<arch>.deb (install it with
# apt install ./build/package/orvane_<version>_<arch>.deb).
# Usage: scripts/package.sh   (as root, or as a user who may use sudo)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
# Debian's hardening flags, all of them, as its own packages are built with
# (given on the command line, so a tree configured before takes them too).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
"$root/scripts/build.sh" "$root/build/release" -DCMAKE_BUILD_TYPE=Release \
  -DORVANE_TESTS=OFF -DORVANE_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags"
cd "$root/build/release"
cpack -B "$root/build/package"
rm -rf "$root/build/package/_CPack_Packages"
ls "$root/build/package/"*.deb
