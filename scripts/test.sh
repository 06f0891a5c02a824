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
times="$(mktemp)"
trap 'rm -f "$summary" "$times"' EXIT
# stage <name> <command...>: runs one stage and notes how long it took.
stage() {
  local name="$1" start=$SECONDS
  shift
  echo "== $name =="
  "$@"
  printf '%-48s %4d min %02d s\n' "$name" $(((SECONDS - start) / 60)) $(((SECONDS - start) % 60)) >>"$times"
}
in_display() {
  # A private session bus keeps WebKit from looking for the user's.
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" dbus-run-session -- "$@"
}

run_suite() {
  local dir="$1"; shift
  "$root/scripts/build.sh" "$dir" "$@"
  (cd "$dir" && in_display ctest --output-on-failure --timeout 1200) | tee -a "$summary"
}

asan_stage() (
  export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:detect_odr_violation=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  run_suite "$root/build/asan" -DORVANE_SANITIZE=ON -DORVANE_BENCH=OFF
)

# Only the one test program it runs (and the program it starts) is built.
tsan_stage() (
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp"
  "$root/scripts/build.sh" "$root/build/tsan" -DORVANE_TSAN=ON -DORVANE_BENCH=OFF -- test_gui
  cd "$root/build/tsan"
  in_display ./tests/test_gui --gtest_filter="${ORVANE_TSAN_FILTER:-Suggestion*:VersionCheck*:EngineImportDlgTest.AddThisEngine*:EngineImportDlgTest.AProfile*:EngineImportDlgTest.TheWindowHandlesEvents*}" \
    | tee -a "$summary"
)

stage "normal build and suite" run_suite "$root/build/test"
stage "AddressSanitizer + UBSan build and suite" asan_stage
stage "ThreadSanitizer: threaded tests" tsan_stage
stage "fuzzing" bash -c '"$0/scripts/fuzz.sh" "$1" | tee -a "$2"' "$root" "${ORVANE_FUZZ_SECONDS:-45}" "$summary"

# One closing line over every stage: ctest suites, the ThreadSanitizer run
# (gtest cases) and the fuzz targets. Any failure has already stopped the script.
passed=$(awk '/tests passed, 0 tests failed out of/ {n += $NF}
              /^\[  PASSED  \] [0-9]+ tests?\./ {n += $4}
              /^fuzz: [0-9]+ passed/ {n += $2}
              END {print n + 0}' "$summary")
echo "== time per stage =="
cat "$times"
echo "all stages: $passed passed, 0 failed"
