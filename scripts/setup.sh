#!/usr/bin/env bash
# Installs what building, running and testing Orvane needs on Debian 12.
# Run as root, or as a user who may use sudo (asked for only when something is
# missing). Does nothing when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential g++ cmake pkg-config ccache
  libwxgtk3.2-dev libwxgtk-webview3.2-dev libwebkit2gtk-4.0-dev libglib2.0-dev
  gettext librsvg2-bin imagemagick
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils dbus-x11 xclip desktop-file-utils
  fonts-dejavu-core fonts-noto-cjk
  procps python3
  libexpat1-dev libicu-dev
  libcurl4-openssl-dev libssl-dev openssl nlohmann-json3-dev
  liblz4-dev libsqlite3-dev
  libpsl-dev publicsuffix
  dpkg-dev file lintian appstream man-db groff-base
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Installing them needs root: run this again as root, or install sudo." >&2
    exit 1
  fi
  as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
# Through env: sudo would drop the variable from the environment.
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
