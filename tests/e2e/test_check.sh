#!/usr/bin/env bash
# End to end: `orvane --check` loads every engine of a group without showing
# a window, prints each page's outcome in tab order with a summary, exits 1
# when one lacks results, keeps the outcomes in a private health file, and
# answers alike through a running window without touching its tabs.
# Usage: test_check.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_check.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run python3 dbus-run-session timeout xdotool

e2e_setup "$stage"
e2e_start_engine_server

engine() { echo "<ENGINE><INDEX>$1</INDEX><LANGUAGE>$2</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>$3</NAME><URL>http://$host/$4?q=*</URL></ENGINE>"; }
{
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo '<ENGINES>'
    engine 1 English Good results
    engine 2 English Blocked captcha
    engine 3 English Plain plain
    engine 4 Japanese Other results
    echo '</ENGINES>'
} >"$work/prog/conf/config.xml"
cat >"$work/home/.config/Orvane/Orvane.conf" <<EOF
ui_language=default
m_strLang=English
m_strCategory=Web
m_nEnableSuggestion=0
EOF
mkdir -m 700 "$work/run"

# A usage error needs no display.
e2e_run 2 --check --all --language English x

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
set -u
. "$(dirname "$0")/e2e_lib.sh"
w="$1"
cd "$w"
export XDG_RUNTIME_DIR="$w/run"
wait_for() { local n="$1"; shift; for _ in $(seq "$n"); do "$@" && return 0; sleep 0.2; done; return 1; }
cmd() { timeout 120 "$w/prog/orvane" "$@"; }

cmd --check sea otter >"$w/alone.out" 2>"$w/alone.err"; echo $? >"$w/alone.status"
xdotool search --onlyvisible --name Orvane >"$w/alone.windows" 2>/dev/null
cmd --check --all x >"$w/all.out" 2>"$w/all.err"; echo $? >"$w/all.status"

idle() { grep -q "idle after start" "$w/window.out"; }
(cd "$w/prog" && ORVANE_REPORT_IDLE=1 exec ./orvane) >"$w/window.out" 2>&1 &
win=$!
wait_for 300 idle || echo "no window" >>"$w/problems"
cmd --check --language English sea otter >"$w/window.check" 2>"$w/window.err"; echo $? >"$w/window.status"
e2e_quit "$win"
exit 0
EOF
chmod +x "$work/drive.sh"

e2e_timeout=300 e2e_display "$work/drive.sh" "$work"

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
outcomes() { cut -f1-5 "$1"; }
expected="$(printf 'results\tGood\tEnglish\tWeb\t200\nbot-check\tBlocked\tEnglish\tWeb\t429\nempty\tPlain\tEnglish\tWeb\t200')"
check "one line per engine in tab order, with outcome and status" '[ "$(outcomes "$work/alone.out")" = "$expected" ]'
check "milliseconds and a reason on every line" \
    '[ "$(awk -F"\t" "NF == 7 && \$6 ~ /^[0-9]+\$/ && \$7 != \"\"" "$work/alone.out" | wc -l)" = 3 ]'
check "exit 1 when an engine lacks results" '[ "$(cat "$work/alone.status")" = 1 ]'
check "a summary on stderr" 'grep -q "checked 3 engines: 1 results, 1 bot-check, 1 empty" "$work/alone.err"'
check "no window shown" '[ ! -s "$work/alone.windows" ]'
check "--all checks every group" \
    '[ "$(cut -f1-2 "$work/all.out" | tr "\n" " ")" = "$(printf "results\tGood bot-check\tBlocked empty\tPlain results\tOther ")" ]'
health="$work/home/.config/Orvane/engine_health.json"
check "the outcomes are kept, privately" \
    '[ -f "$health" ] && [ "$(stat -c %a "$health")" = 600 ] && grep -q "\"bot-check\"" "$health"'
check "through the running window, the same answer" \
    '[ "$(outcomes "$work/window.check")" = "$expected" ] && [ "$(cat "$work/window.status")" = 1 ]'
# Each engine was asked twice (alone, then through the window); a search in
# the window's own tabs would have asked a third time.
check "the window's own tabs were not searched" '[ "$(grep -c "q=sea%20otter" "$work/requests.log")" = 6 ]'
if [ "$fail" -ne 0 ]; then
    for f in alone.out alone.err all.out all.err window.check window.err window.out problems out err; do
        echo "--- $f"; cat "$work/$f" 2>/dev/null || true
    done
    echo "--- requests"; cat "$work/requests.log"
fi
exit "$fail"
