#!/usr/bin/env bash
# End to end: SIGTERM (a session ending) and SIGHUP (its terminal closing)
# close the program as Quit does: it exits with status 0, the searched words
# are in the history and its WebKit processes are gone.
# Usage: test_quit_signals.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_quit_signals.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run xdotool python3 dbus-run-session
e2e_setup "$stage"
e2e_start_engine_server

e2e_catalogue <<EOF
One|http://$host/one?q=*
Two|http://$host/two?q=*
EOF
printf 'ui_language=default\nm_nEnableSuggestion=0\nsugg_host=%s\n' "$host" \
    >"$work/home/.config/Orvane/Orvane.conf"

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
# Inside Xvfb: for each signal, start with words to search, wait for both
# engines to be asked, send the signal and record how the program ended.
set -u
. "$(dirname "$0")/e2e_lib.sh"
cd "$1/prog"
for run in "TERM red fox" "HUP grey wolf"; do
    set -- "$1" $run
    signal="$2"; words="$3 $4"
    ./orvane "$words" >>"$1/orvane.out" 2>&1 &
    app=$!
    e2e_wait_window 'Orvane$' || { echo "$signal: no window" >>"$1/results"; continue; }
    for _ in $(seq 100); do
        [ "$(grep -c "q=${3}%20${4}" "$1/requests.log")" -ge 2 ] && break
        sleep 0.1
    done
    helpers="$(e2e_tree "$app" | tail -n +2)"
    kill -s "$signal" "$app"
    if e2e_wait_exit "$app"; then
        echo "$signal: status $app_status, helpers $(echo $helpers | wc -w)" >>"$1/results"
    else
        echo "$signal: killed" >>"$1/results"
    fi
    e2e_wait_gone $helpers
    echo "$signal: left [$alive]" >>"$1/results"
done
EOF
chmod +x "$work/drive.sh"

e2e_display "$work/drive.sh" "$work"

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
for signal in TERM HUP; do
    check "SIG$signal: the program exits with status 0" "grep -q '^$signal: status 0, helpers [1-9]' '$work/results'"
    check "SIG$signal: no WebKit process outlived it" "grep -qx '$signal: left \[\]' '$work/results'"
done
check "the words of both runs are in the history" \
    'grep -qx "0=grey wolf" "$work/home/.config/Orvane/Orvane.conf" && grep -qx "1=red fox" "$work/home/.config/Orvane/Orvane.conf"'
if [ "$fail" -ne 0 ]; then
    echo "--- results"; cat "$work/results" 2>/dev/null || true
    echo "--- store"; cat "$work/home/.config/Orvane/Orvane.conf" 2>/dev/null || true
    echo "--- program output"; tail -n 20 "$work/orvane.out" 2>/dev/null || true
fi
exit "$fail"
