#!/usr/bin/env bash
# Search time with cookies kept in the SQLite file against cookies kept for
# the run only: from the search to the last of N loopback pages loaded,
# every page setting a cookie. Alternates the two set-ups, prints the
# median of the per-run medians of each and their ratio; never pass/fail.
#   usage: bench/browser/cookies.sh <build-dir> [pages] [runs] [searches per run]
set -euo pipefail

if [ -z "${DISPLAY:-}" ]; then
  exec env NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

build=$(cd "${1:?usage: cookies.sh <build-dir> [pages] [runs] [searches]}" && pwd)
pages=${2:-20}; runs=${3:-5}; searches=${4:-10}
prog="$build/bench/browser/bench_result_pages"
work=$(mktemp -d)
server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT

cat >"$work/server.py" <<'PY'
import http.server, sys
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def do_GET(self):
        body = b"<html><head><title>r</title></head><body><p>result</p></body></html>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Set-Cookie", "session=%s; Max-Age=86400; Path=/" % self.path[-16:].replace(";", ""))
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
PY
python3 "$work/server.py" >"$work/port" &
server_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/search"

one() {  # prints the median search time of one run
  local mode=$1 out
  out=$(XDG_DATA_HOME="$work/data-$mode" timeout 300 "$prog" "$pages" "$url" --exit --rounds "$searches" \
          --cookies "$mode" 2>/dev/null | grep '^SEARCH' || true)
  [ -n "$out" ] || { echo "bench_result_pages ($mode) reported nothing" >&2; exit 1; }
  echo "$out" | sed -E 's#.*min/median/max [0-9.]+/([0-9.]+)/.*#\1#'
}

keep=(); session=()
for _ in $(seq "$runs"); do
  keep+=("$(one keep)")
  session+=("$(one session)")
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
k=$(median "${keep[@]}"); s=$(median "${session[@]}")
[ -s "$work/data-keep/orvane/cookies.sqlite" ] || echo "warning: no cookie file was written" >&2
printf 'search to last of %d pages loaded, median of %d runs x %d searches\n' "$pages" "$runs" "$searches"
printf '  cookies kept (SQLite): %8.1f ms\n  run only (keep_cookies=0): %8.1f ms\n' "$k" "$s"
awk -v k="$k" -v s="$s" 'BEGIN { printf "  ratio kept / run only: %.3f\n", k / s }'
