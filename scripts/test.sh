#!/usr/bin/env bash
# Installs what is missing, builds Orvane and runs every test: the normal
# build, then the same suite under AddressSanitizer + UndefinedBehaviorSanitizer.
# Tests that need a display run under their own Xvfb server.
# Usage: sudo scripts/test.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"

export NO_AT_BRIDGE=1

run_suite() {
  local dir="$1"; shift
  "$root/scripts/build.sh" "$dir" "$@"
  # A private session bus keeps WebKit from looking for the user's.
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24" \
      dbus-run-session -- ctest --output-on-failure --timeout 1200)
}

echo "== normal build =="
run_suite "$root/build/test"
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:detect_odr_violation=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run_suite "$root/build/asan" -DORVANE_SANITIZE=ON -DORVANE_BENCH=OFF
