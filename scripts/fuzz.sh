#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time,
# seeded from the corpora in tests/fuzz/corpus. Fails on any crash, leak or
# sanitizer report. Usage: scripts/fuzz.sh [seconds per target]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-45}"
dir="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORVANE_FUZZ=ON -DORVANE_TESTS=OFF -DORVANE_BENCH=OFF >/dev/null
targets=(catalogue:catalogue suggestionreply:sugg_reply versionpage:version_page encodekeyword:encode_keyword xmlloader:xml_loader opensearch:opensearch catalogueencodings:catalogue_encodings firefoxsearch:firefox_search pagereport:page_report)
cmake --build "$dir" -j "$(nproc)" --target $(for t in "${targets[@]}"; do printf 'fuzz_%s ' "${t%%:*}"; done)

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=0
passed=0
for t in "${targets[@]}"; do
  name="${t%%:*}"; corpus="${t##*:}"
  work="$(mktemp -d)"
  echo "== fuzz_$name for ${seconds}s =="
  if (cd "$work" && "$dir/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len=65536 \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        "$work" "$root/tests/fuzz/corpus/$corpus" >"$work/log" 2>&1); then
    tail -n 3 "$work/log"
    passed=$((passed + 1))
  else
    tail -n 60 "$work/log"
    echo "fuzz_$name FAILED (reproducer kept in $work)"
    failed=$((failed + 1))
    continue
  fi
  rm -rf "$work"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
