#!/usr/bin/env bash
# Memory of N result pages (bench_result_pages: BrowserManager and its pages)
# against a minimal program holding N plain wxWebViews on the same small
# local page. Memory = summed PSS of the program and every process below it
# (WebKit's web and network processes), read from /proc/<pid>/smaps_rollup
# once all pages have loaded. Prints one row per page count, for WebKit's
# default process model and for the shared one.
#   usage: bench/browser/memory.sh <build-dir> [page-counts...]   (default 1 10 30)
set -euo pipefail

if [ -z "${DISPLAY:-}" ]; then
  exec env NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

build=$(cd "${1:?usage: memory.sh <build-dir> [page-counts...]}" && pwd); shift
counts=("$@"); [ ${#counts[@]} -eq 0 ] && counts=(1 10 30)
minimal="$build/bench/browser/bench_minimal_webview"
ours="$build/bench/browser/bench_result_pages"
work=$(mktemp -d)
server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
# Both programs load the same small page from loopback: ours loads only web
# addresses.
python3 "$(dirname "$0")/../serve_page.py" >"$work/port" &
server_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
page="http://127.0.0.1:$(cat "$work/port")/small.htm"

tree_pids() {  # the pid and all its descendants
  local pid=$1 child
  echo "$pid"
  for child in $(pgrep -P "$pid" || true); do tree_pids "$child"; done
}

tree_pss_kb() {
  local total=0 pid kb
  for pid in $(tree_pids "$1"); do
    kb=$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)
    total=$((total + ${kb:-0}))
  done
  echo "$total"
}

# Stops a program started with setsid and waits until every process of its
# tree is gone: a WebKit helper that outlives it can hold the profile's files
# and stall the next run.
stop_tree() {
  local pid=$1 pids i alive p
  pids=$(tree_pids "$pid")
  kill -TERM -- "-$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  for i in $(seq 1 100); do
    alive=0
    for p in $pids; do [ -e "/proc/$p" ] && alive=1; done
    [ "$alive" = 0 ] && return
    sleep 0.1
  done
  for p in $pids; do kill -KILL "$p" 2>/dev/null || true; done
}

# Runs one program with N views, waits until all have loaded, lets it
# settle, prints its tree's PSS in kB and stops it.
measure() {
  local prog=$1 n=$2 log pid kb i rc
  log=$(mktemp "$work/log.XXXXXX")
  setsid "$prog" "$n" "$page" > "$log" 2>"$log.err" &
  pid=$!
  for i in $(seq 1 3000); do
    grep -q '^LOADED' "$log" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! grep -q '^LOADED' "$log"; then
    if kill -0 "$pid" 2>/dev/null; then
      echo "$(basename "$prog") $n: pages did not load" >&2
    else
      wait "$pid" && rc=0 || rc=$?
      echo "$(basename "$prog") $n: exited early with status $rc" >&2
    fi
    grep '^STRAGGLER' "$log" | head -5 >&2 || true
    grep -v 'deprecated and has no effect' "$log.err" | tail -5 >&2 || true
    stop_tree "$pid"
    echo 0; return
  fi
  sleep 3
  kb=$(tree_pss_kb "$pid")
  stop_tree "$pid"
  echo "$kb"
}

printf '%-8s %6s %14s %14s %8s\n' model pages "minimal MiB" "ours MiB" ratio
for model in 0 1; do
  name=default; [ "$model" = 1 ] && name=shared
  for n in "${counts[@]}"; do
    base=$(ORVANE_WEBKIT_SHARED=$model measure "$minimal" "$n")
    mine=$(ORVANE_WEBKIT_SHARED=$model measure "$ours" "$n")
    awk -v m="$name" -v n="$n" -v b="$base" -v o="$mine" 'BEGIN {
      printf "%-8s %6d %14.1f %14.1f %8s\n", m, n, b / 1024, o / 1024,
             (b > 0 ? sprintf("%.3f", o / b) : "n/a") }'
  done
done
