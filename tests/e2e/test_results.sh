#!/usr/bin/env bash
# End to end: `orvane --results` loads a group's pages as --check does, reads
# each page's results and prints them merged and ranked, as lines or JSON,
# with the check's summary on stderr; exits 0 when anything was found; alike
# through a running window.
# Usage: test_results.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_results.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run python3 dbus-run-session timeout xdotool

e2e_setup "$stage"
e2e_start_engine_server

engine() { echo "<ENGINE><INDEX>$1</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>$2</NAME><URL>http://$host/$3?q=*</URL></ENGINE>"; }
{
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo '<ENGINES>'
    engine 1 First serp0
    engine 2 Second serp3
    engine 3 Blocked captcha
    echo '</ENGINES>'
} >"$work/prog/conf/config.xml"
printf 'ui_language=default\nm_strLang=English\nm_strCategory=Web\nm_nEnableSuggestion=0\n' \
    >"$work/home/.config/Orvane/Orvane.conf"
mkdir -m 700 "$work/run"

e2e_run 2 --results
e2e_run 2 --json --check x

cat >"$work/drive.sh" <<'EOF2'
#!/usr/bin/env bash
set -u
w="$1"
cd "$w"
export XDG_RUNTIME_DIR="$w/run"
cmd() { timeout 120 "$w/prog/orvane" "$@"; }
cmd --results sea otter >"$w/lines.out" 2>"$w/lines.err"; echo $? >"$w/lines.status"
cmd --results --json --limit 3 sea otter >"$w/json.out" 2>"$w/json.err"; echo $? >"$w/json.status"
. "$w/e2e_lib.sh"
wait_for() { local n="$1"; shift; for _ in $(seq "$n"); do "$@" && return 0; sleep 0.2; done; return 1; }
idle() { grep -q "idle after start" "$w/window.out"; }
(cd "$w/prog" && ORVANE_REPORT_IDLE=1 exec ./orvane) >"$w/window.out" 2>&1 &
win=$!
wait_for 300 idle || echo "no window" >>"$w/problems"
cmd --results --limit 2 sea otter >"$w/window.results" 2>"$w/window.err"; echo $? >"$w/window.status"
e2e_quit "$win"
exit 0
EOF2
chmod +x "$work/drive.sh"
e2e_timeout=300 e2e_display "$work/drive.sh" "$work"

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
check "exit 0 with results found" '[ "$(cat "$work/lines.status")" = 0 ] && [ "$(cat "$work/json.status")" = 0 ]'
check "nine merged results, five fields each" \
    '[ "$(awk -F"\t" "NF == 5" "$work/lines.out" | wc -l)" = 9 ] && [ "$(wc -l <"$work/lines.out")" = 9 ]'
# Sites 3 to 5 are found by both engines and come first, in the order of their places.
check "what both found first, with who found it where" \
    '[ "$(head -1 "$work/lines.out")" = "$(printf "1\t2\thttps://site3.example/\tSite 3 \xe6\xb5\xb7\tFirst #4, Second #1")" ]'
check "then what one engine found" '[ "$(sed -n 4p "$work/lines.out" | cut -f2,5)" = "$(printf "1\tFirst #1")" ]'
check "the check summary on stderr" 'grep -q "checked 3 engines: 2 results, 1 bot-check" "$work/lines.err"'
check "the JSON document" 'python3 - "$work/json.out" <<"PY"
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
assert d["words"] == "sea otter" and d["language"] == "English" and d["category"] == "Web"
assert [e["outcome"] for e in d["engines"]] == ["results", "results", "bot-check"]
assert [len(e["results"]) for e in d["engines"]] == [6, 6, 0]
assert d["engines"][1]["results"][0] == {"position": 1, "url": "https://site3.example/", "title": "Site 3 \u6d77",
    "snippet": "What site 3 says about the words, at some length."}
assert len(d["results"]) == 3 and d["results"][0]["found_by"] == [{"engine": "First", "position": 4}, {"engine": "Second", "position": 1}]
assert {"engines": ["First", "Second"], "shared_top10": 3} in d["agreement"]
PY'
check "through the running window, the same list" \
    '[ "$(cat "$work/window.results")" = "$(head -2 "$work/lines.out")" ] && [ "$(cat "$work/window.status")" = 0 ]'
if [ "$fail" -ne 0 ]; then
    for f in lines.out lines.err json.out json.err window.results window.err problems out err; do echo "--- $f"; cat "$work/$f" 2>/dev/null || true; done
fi
exit "$fail"
