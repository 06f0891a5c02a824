#!/usr/bin/env bash
# Configures and builds one build tree:
#   scripts/build.sh <dir> [cmake options...] [-- targets...]
# With targets after "--", only those (and what they link) are built.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="$1"; shift
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
[ $# -gt 0 ] && shift
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
