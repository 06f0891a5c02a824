#!/usr/bin/env bash
# End to end: a signal that arrives while a page's download question is open
# ends the question as Cancel and then the program, as Quit would: status 0,
# the searched words in the history, nothing saved from the page.
# Usage: test_signal_during_question.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_signal_during_question.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run xdotool python3 dbus-run-session
e2e_setup "$stage"
e2e_start_engine_server

e2e_catalogue <<EOF
One|http://$host/download?q=*
EOF
e2e_store </dev/null
mkdir -p "$work/home/Downloads"

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
# Inside Xvfb: for each signal, search, wait for the question, send the
# signal and record how the program ended.
set -u
. "$(dirname "$0")/e2e_lib.sh"
cd "$1/prog"
for signal in TERM HUP INT; do
    ./orvane "asked $signal" >>"$1/orvane.out" 2>&1 &
    app=$!
    asked=0
    for _ in $(seq 150); do
        if xdotool search --onlyvisible --name '^Orvane$' >/dev/null 2>&1 &&
            xdotool search --onlyvisible --name ' - Orvane$' >/dev/null 2>&1; then
            asked=1; break
        fi
        sleep 0.2
    done
    [ "$asked" -eq 1 ] || { echo "$signal: no question" >>"$1/results"; kill -9 "$app"; wait "$app"; continue; }
    kill -s "$signal" "$app"
    # Not e2e_wait_exit: a program that hangs here ignores SIGTERM.
    ended=0
    for _ in $(seq 75); do
        kill -0 "$app" 2>/dev/null || { ended=1; break; }
        sleep 0.2
    done
    [ "$ended" -eq 1 ] || kill -9 "$app"
    status=0
    wait "$app" 2>/dev/null || status=$?
    if [ "$ended" -eq 1 ]; then
        echo "$signal: status $status" >>"$1/results"
    else
        echo "$signal: hung" >>"$1/results"
    fi
done
EOF
chmod +x "$work/drive.sh"

e2e_display "$work/drive.sh" "$work"

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
for signal in TERM HUP INT; do
    check "SIG$signal during the question: the program exits with status 0" \
        "grep -qx '$signal: status 0' '$work/results'"
    check "SIG$signal during the question: the words are in the history" \
        "grep -q '=asked $signal\$' '$work/home/.config/Orvane/Orvane.conf'"
done
check "nothing was saved from the page" '[ -z "$(ls -A "$work/home/Downloads")" ]'
if [ "$fail" -ne 0 ]; then
    echo "--- results"; cat "$work/results" 2>/dev/null || true
    echo "--- program output"; tail -n 20 "$work/orvane.out" 2>/dev/null || true
fi
exit "$fail"
