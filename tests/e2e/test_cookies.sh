#!/usr/bin/env bash
# End to end: a site's cookie outlives a restart of the real program; with
# keep_cookies=0 the next start has none and the cookie file is gone.
# Usage: test_cookies.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_cookies.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run xdotool python3 dbus-run-session

e2e_setup "$stage"

# A day-long cookie, and the cookie each request brought in the log.
e2e_start_engine_server "kept=yes; Max-Age=86400; Path=/"

e2e_catalogue <<EOF
Site|http://$host/c?q=*
EOF
conf="$work/home/.config/Orvane/Orvane.conf"
write_conf() {
    cat >"$conf" <<EOF
ui_language=default
m_nEnableSuggestion=0
sugg_host=$host
keep_cookies=$1
EOF
}

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
# Inside Xvfb: search for $2 from the command line, wait for its request, quit.
set -u
. "$(dirname "$0")/e2e_lib.sh"
cd "$1/prog"
./orvane "$2" >>"$1/orvane.out" 2>&1 &
app=$!
for _ in $(seq 150); do
    grep -q "^/c?q=$2 " "$1/requests.log" && break
    sleep 0.2
done
sleep 1
e2e_quit "$app"
exit 0
EOF
chmod +x "$work/drive.sh"

run() {
    e2e_display "$work/drive.sh" "$work" "$1"
}

fail=0
expect() {
    if grep -qxF "$1" "$work/requests.log"; then
        echo "ok: $1"
    else
        echo "FAIL: no request \"$1\""
        fail=1
    fi
}
cookies="$work/home/.local/share/orvane/cookies.sqlite"

write_conf 1
run first
expect "/c?q=first cookie="
[ -s "$cookies" ] && echo "ok: cookie file written" || { echo "FAIL: no $cookies"; fail=1; }
run second
expect "/c?q=second cookie=kept=yes"

write_conf 0
run third
expect "/c?q=third cookie="
[ ! -e "$cookies" ] && echo "ok: cookie file removed" || { echo "FAIL: $cookies still there"; fail=1; }

[ "$fail" -eq 0 ] || { cat "$work/requests.log"; exit 1; }
echo "cookies: all passed"
