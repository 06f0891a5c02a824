#!/usr/bin/env bash
# End to end: the real program, started from a copy of the staged program
# folder under its own Xvfb, searches what a user types into the keyword box.
# A loopback server stands in for the search engines and logs what it gets.
# Usage: test_search.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_search.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run xdotool python3 dbus-run-session

e2e_setup "$stage"

# The engine server: answers every GET with a small page and logs its target.
e2e_start_engine_server

e2e_catalogue <<EOF
Second|http://$host/second?q=*||||2
First|http://$host/first?query=*&lang=en||||1
Off|http://$host/off?q=*|||0
Elsewhere|http://$host/elsewhere?q=*|Other|||1
EOF
# No language question, no suggestion or version requests leaving the machine.
e2e_store </dev/null

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
# Runs inside Xvfb: start the program, type, press Enter, wait, quit.
set -u
. "$(dirname "$0")/e2e_lib.sh"
cd "$1/prog"
./orvane >"$1/orvane.out" 2>&1 &
app=$!
e2e_wait_window '^Orvane' || { echo "no window" >&2; kill "$app"; exit 1; }
sleep 2
# The keyword box has the focus at start, holding the prompt text.
xdotool key --clearmodifiers ctrl+a BackSpace
xdotool type --delay 30 'blue whale&co'
xdotool key Return
for _ in $(seq 100); do
    [ "$(grep -c . "$1/requests.log")" -ge 2 ] && break
    sleep 0.2
done
sleep 1
e2e_quit "$app"
exit 0
EOF
chmod +x "$work/drive.sh"

e2e_display "$work/drive.sh" "$work"

fail=0
expect() {
    if grep -qxF "$1" "$work/requests.log"; then
        echo "ok: $1"
    else
        echo "FAIL: no request for $1"
        fail=1
    fi
}
expect "/first?query=blue%20whale%26co&lang=en"
expect "/second?q=blue%20whale%26co"
if grep -qE '^/(off|elsewhere)' "$work/requests.log"; then
    echo "FAIL: a disabled or other-language engine was searched"
    fail=1
fi
# Quitting through the menu accelerator saves the history.
if grep -q "0=blue whale&co" "$work/home/.config/Orvane/Orvane.conf"; then
    echo "ok: history saved"
else
    echo "FAIL: the keyword history was not saved at exit"
    fail=1
fi
if [ "$fail" -ne 0 ]; then
    echo "--- requests"; cat "$work/requests.log"
    echo "--- program output"; tail -n 20 "$work/orvane.out" 2>/dev/null || true
fi
exit "$fail"
