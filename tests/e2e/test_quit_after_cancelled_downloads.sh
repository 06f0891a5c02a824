#!/usr/bin/env bash
# End to end: one click in a page starts three downloads and more with
# hostile names (control characters, a bidirectional mark, path separators),
# whose questions are answered Cancel; then File > Exit (Alt+X) while the
# three still run. The program ends with status 0, the searched words are in
# the history and no partial file stays in the download folder; the downloads
# lost when a hostile name ends WebKit's network process end at once.
# Usage: test_quit_after_cancelled_downloads.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_quit_after_cancelled_downloads.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run xdotool python3 dbus-run-session
e2e_setup "$stage"
e2e_start_engine_server

e2e_catalogue <<EOF2
One|http://$host/burst?q=*
EOF2
e2e_store </dev/null
mkdir -p "$work/home/Downloads"

cat >"$work/drive.sh" <<'EOF2'
#!/usr/bin/env bash
# Inside Xvfb: search, click in the page, answer every question Cancel,
# wait for the late download, quit and record how the program ended.
set -u
. "$(dirname "$0")/e2e_lib.sh"
cd "$1/prog"
./orvane "kept words" >>"$1/orvane.out" 2>&1 &
app=$!
e2e_wait_window ' - Orvane$' || { echo "no window" >>"$1/results"; kill -9 "$app"; exit 0; }
main=$win
for _ in $(seq 100); do grep -q '^/burst' "$1/requests.log" && break; sleep 0.1; done
# The page is below the tool bar and the tabs, above the engine list.
clicked=0
for _ in $(seq 20); do
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove --window "$main" $((WIDTH / 2)) $((HEIGHT / 4)) click 1
    for _ in $(seq 10); do grep -q '^/named?i=1' "$1/requests.log" && { clicked=1; break; }; sleep 0.1; done
    [ "$clicked" -eq 1 ] && break
done
[ "$clicked" -eq 1 ] || echo "no downloads" >>"$1/results"
# Questions come one at a time; the late download's may never come when
# WebKit fails on its name.
network() { e2e_tree "$app" | while read -r p; do cat "/proc/$p/comm" 2>/dev/null; done | grep -c '^WebKitNetwork'; }
answered=0 late=0 quiet=0
for _ in $(seq 200); do
    question="$(xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null | head -n1)"
    quiet=$((quiet + 1))
    if [ -n "$question" ]; then
        quiet=0
        xdotool windowfocus --sync "$question" 2>/dev/null
        xdotool key --clearmodifiers Escape
        answered=$((answered + 1))
        for _ in $(seq 30); do xdotool search --onlyvisible --name '^Orvane$' >/dev/null 2>&1 || break; sleep 0.1; done
    fi
    grep -q '^/named?i=2' "$1/requests.log" && late=$((late + 1))
    # Quit once no question has come for a second after the late download.
    [ "$quiet" -ge 10 ] && { [ "$answered" -ge 3 ] || [ "$late" -gt 30 ] || { [ "$late" -gt 0 ] && [ "$(network)" -eq 0 ]; }; } && break
    sleep 0.1
done
echo "answered $answered" >>"$1/results"
# Downloads lost with WebKit's network process end without waiting for the quit.
if [ "$(network)" -eq 0 ]; then
    for _ in $(seq 50); do [ -z "$(ls -A "$1/home/Downloads")" ] && break; sleep 0.1; done
    echo "partial files after the network process $(ls -A "$1/home/Downloads" | wc -l)" >>"$1/results"
fi
xdotool windowfocus --sync "$main" 2>/dev/null
if e2e_quit "$app"; then
    echo "status $app_status" >>"$1/results"
else
    echo "hung" >>"$1/results"
fi
EOF2
chmod +x "$work/drive.sh"

e2e_display "$work/drive.sh" "$work"

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
cat "$work/results"
check "the click started the downloads" "! grep -q 'no downloads' '$work/results'"
check "the program exits with status 0" "grep -qx 'status 0' '$work/results'"
check "the words are in the history" "grep -q '=kept words\$' '$work/home/.config/Orvane/Orvane.conf'"
check "the lost downloads ended before the quit" "! grep -q '^partial files after the network process [1-9]' '$work/results'"
check "no partial file stays" '[ -z "$(ls -A "$work/home/Downloads")" ]'
if [ "$fail" -ne 0 ]; then
    echo "--- downloads"; ls -A "$work/home/Downloads" || true
    echo "--- program output"; tail -n 20 "$work/orvane.out" 2>/dev/null || true
fi
exit "$fail"
