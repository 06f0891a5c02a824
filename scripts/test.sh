#!/usr/bin/env bash
# Installs what is missing, builds Orvane and runs every test:
#   1. the normal build and its whole suite,
#   2. the same suite under AddressSanitizer + UndefinedBehaviorSanitizer,
#   3. the threaded tests under ThreadSanitizer,
#   4. the fuzz targets for a bounded time each.
# Tests that need a display run under their own Xvfb server.
# Usage: scripts/test.sh   (as root, or as a user who may use sudo)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"

export NO_AT_BRIDGE=1
summary="$(mktemp)"
trap 'rm -f "$summary"' EXIT
in_display() {
  # A private session bus keeps WebKit from looking for the user's.
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" dbus-run-session -- "$@"
}

run_suite() {
  local dir="$1"; shift
  "$root/scripts/build.sh" "$dir" "$@"
  (cd "$dir" && in_display ctest --output-on-failure --timeout 1200) | tee -a "$summary"
}

echo "== normal build =="
run_suite "$root/build/test"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
(
  export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:detect_odr_violation=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  run_suite "$root/build/asan" -DORVANE_SANITIZE=ON -DORVANE_BENCH=OFF
)

echo "== ThreadSanitizer: threaded tests =="
(
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp"
  "$root/scripts/build.sh" "$root/build/tsan" -DORVANE_TSAN=ON -DORVANE_BENCH=OFF
  cd "$root/build/tsan"
  in_display ./tests/test_gui --gtest_filter="${ORVANE_TSAN_FILTER:-Suggestion*:VersionCheck*:EngineImportDlgTest.AddThisEngine*}"
) | tee -a "$summary"

echo "== fuzzing =="
"$root/scripts/fuzz.sh" "${ORVANE_FUZZ_SECONDS:-45}" | tee -a "$summary"

# One closing line over every stage: ctest suites, the ThreadSanitizer run
# (gtest cases) and the fuzz targets. Any failure has already stopped the script.
passed=$(awk '/tests passed, 0 tests failed out of/ {n += $NF}
              /^\[  PASSED  \] [0-9]+ tests?\./ {n += $4}
              /^fuzz: [0-9]+ passed/ {n += $2}
              END {print n + 0}' "$summary")
echo "all stages: $passed passed, 0 failed"
