#!/usr/bin/env bash
# Installs what building, running and testing Orvane needs on Debian 12.
# Run as root or with sudo. Does nothing when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential g++ cmake pkg-config ccache
  libwxgtk3.2-dev libwxgtk-webview3.2-dev libwebkit2gtk-4.0-dev libglib2.0-dev
  gettext librsvg2-bin imagemagick
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils dbus-x11
  fonts-dejavu-core fonts-noto-cjk
  procps python3
  libexpat1-dev
  libcurl4-openssl-dev libssl-dev openssl nlohmann-json3-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
