#!/usr/bin/env bash
# Installs what is missing, builds Orvane and starts it from its program folder.
# Usage: scripts/run.sh [keyword]   (as root, or as a user who may use sudo)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DORVANE_TESTS=OFF -DORVANE_BENCH=OFF
cd "$root/build/stage"
exec ./orvane "$@"
