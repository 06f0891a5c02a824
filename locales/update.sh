#!/usr/bin/env bash
# Regenerates locales/Orvane.pot from the sources and merges it into every
# .po file. New strings arrive untranslated, changed ones marked fuzzy:
# translate them, then rebuild (the build compiles the catalogues).
# Usage: locales/update.sh [build-dir]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target pot
for po in "$root"/locales/*.po; do
    msgmerge --quiet --update --backup=none --no-wrap "$po" "$root/locales/Orvane.pot"
    printf '%s: ' "$(basename "$po")"
    msgfmt --check --statistics -o /dev/null "$po"
done
