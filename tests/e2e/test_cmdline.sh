#!/usr/bin/env bash
# End to end: a keyword given on the command line (as launchers and other
# tools hand it over) is searched at start-up in the restored language and
# category, without typing. A loopback server stands in for the engines.
# Usage: test_cmdline.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_cmdline.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"

e2e_require xvfb-run xdotool python3 dbus-run-session
e2e_setup "$stage"

e2e_start_engine_server

e2e_catalogue <<EOF
Web|http://$host/web?q=*
News|http://$host/news?q=*|Japanese|News||1
EOF
# The restored language and category are the second of each list.
cat >"$work/home/.config/Orvane/Orvane.conf" <<EOF
ui_language=default
m_strLang=Japanese
m_strCategory=News
m_nEnableSuggestion=0
sugg_host=$host
EOF

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
set -u
. "$(dirname "$0")/e2e_lib.sh"
cd "$1/prog"
./orvane "  sea  otter" "&more" >"$1/orvane.out" 2>&1 &
app=$!
for _ in $(seq 150); do
    grep -q . "$1/requests.log" && break
    sleep 0.2
done
sleep 1
e2e_wait_window 'Orvane'
e2e_quit "$app"
exit 0
EOF
chmod +x "$work/drive.sh"

e2e_display "$work/drive.sh" "$work"

fail=0
# Arguments joined by one blank, then trimmed like a typed keyword.
if grep -qxF "/news?q=sea%20%20otter%20%26more" "$work/requests.log"; then
    echo "ok: command-line keyword searched"
else
    echo "FAIL: no request for the command-line keyword"
    fail=1
fi
if grep -q '^/web' "$work/requests.log"; then
    echo "FAIL: searched outside the restored language and category"
    fail=1
fi
if [ "$fail" -ne 0 ]; then
    echo "--- requests"; cat "$work/requests.log"
    echo "--- program output"; tail -n 20 "$work/orvane.out" 2>/dev/null || true
fi
exit "$fail"
