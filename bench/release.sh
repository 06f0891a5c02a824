#!/usr/bin/env bash
# The release figures side by side in one run, each against its floor:
#   - start-up with 1, 5, 20 and 40 engines (window visible, keyword box
#     taking a typed key, launch to idle, longest event-loop stall), and
#     memory of the program and its WebKit processes with 20 pages, against a
#     minimal wxWebView program with the same views on the same local page in
#     a window of the same size;
#   - one search dispatched to 30 pages against 30 bare wxWebView::LoadURL
#     calls on the same views;
#   - Enter to the load event of the page on show and of the last page, with
#     1 and 40 engines on a loopback server answering at once and after
#     250 ms; beside an older build's figures when one is given; and with
#     the pages side by side, every page on show in two and four panes
#     against the one page of a single pane (40 engines);
#   - the outcome of each page: load end to verdict and the classifier's
#     cost per page over 40 views of a heavy result page, and the classifier
#     alone on a 400-link report;
#   - keystroke to suggestion list against a loopback HTTPS service that
#     answers at once, cold and warm, on top of the bare round trip, with the
#     TLS handshakes per 20 keystrokes; closing with 10 stalled fetches;
#   - catalogue save of 10,000 engines against the toolkit's wxXmlDocument::Save;
#   - importing 1,000 OpenSearch descriptions and exporting them back.
# Prints figures and ratios; never pass/fail.
#   usage: bench/release.sh [build dir] [runs] [older build dir]
#          (default build/bench, 3 runs; searches are timed at least 5 times)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/bench}"
runs="${2:-3}"
older="${3:-}"
if [ ! -x "$build/stage/orvane" ] || [ ! -x "$build/bench/bench_model" ]; then
  "$root/scripts/build.sh" "$build" -DORVANE_BENCH=ON
fi

echo "== start-up (1, 5, 20, 40 engines) =="
ORVANE_BENCH_MEMORY=0 bash "$root/bench/frame/launch_to_idle.sh" "$build" "$runs" 1 5 20 40 2>/dev/null

echo "== search dispatch to 30 pages (target: within 1.2x the bare calls) =="
port_file="$(mktemp)"
python3 "$root/bench/serve_page.py" >"$port_file" &
server_pid=$!
for _ in $(seq 50); do [ -s "$port_file" ] && break; sleep 0.1; done
page="http://127.0.0.1:$(cat "$port_file")/small.htm"
NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" dbus-run-session -- \
  "$build/bench/browser/bench_result_pages" 30 "$page" --exit --rounds 40 2>/dev/null \
  | grep -E "^(DISPATCH|BARE)" || true
kill "$server_pid" 2>/dev/null || true
rm -f "$port_file"

echo "== search: the pages on show first (1 and 40 engines; 1, 2 and 4 panes; server answers at once and after 250 ms) =="
bash "$root/bench/search/current_first.sh" "$build" "$(( runs > 5 ? runs : 5 ))" ${older:+"$older"} 2>/dev/null

echo "== page outcomes: load end to verdict (due within 300 ms), classifier cost per page =="
NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" dbus-run-session -- \
  "$build/bench/browser/bench_outcome_probe" 40 2>/dev/null | grep "^OUTCOME" || true
"$build/bench/bench_model" --benchmark_filter='ClassifyLargeResultPage' 2>/dev/null \
  | sed 's/\x1b\[[0-9;]*m//g' | grep -E "^BM_" || true

echo "== memory with 20 pages =="
ORVANE_BENCH_MEMORY=1 bash "$root/bench/frame/launch_to_idle.sh" "$build" "$runs" 20 2>/dev/null \
  | sed -n '/^memory/,$p'

echo "== keystroke to suggestion list =="
NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" dbus-run-session -- \
  "$build/bench/suggest/bench_keystroke_to_list" 10 2>/dev/null

echo "== closing with stalled suggestion fetches =="
bash "$root/bench/suggest/close_with_stalled_fetches.sh" "$build" "$runs" 2>/dev/null

echo "== catalogue save, 10,000 engines =="
"$build/bench/bench_model" --benchmark_filter='WriteDocument(Ours|Toolkit)/10000$' 2>/dev/null \
  | sed 's/\x1b\[[0-9;]*m//g' | grep -E "engines:|ratio" || true

echo "== import 1,000 OpenSearch descriptions and export them back (target < 1 s) =="
"$build/bench/bench_model" --benchmark_filter='ImportAndExportDescriptions' 2>/dev/null \
  | sed 's/\x1b\[[0-9;]*m//g' | grep -E "^BM_" || true
