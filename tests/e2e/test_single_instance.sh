#!/usr/bin/env bash
# End to end: one window per configuration folder. A second start hands its
# keyword to the running window and exits 0; another profile gets its own
# window; a lock and socket left by a killed window, or a lock naming a live
# unrelated process, never block the next start. Real processes throughout.
# Usage: test_single_instance.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_single_instance.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run python3 dbus-run-session timeout

e2e_setup "$stage"
e2e_start_engine_server

e2e_catalogue <<EOF
Web|http://$host/web?q=*
EOF
for profile in home home2; do
    mkdir -p "$work/$profile/.config/Orvane"
    cat >"$work/$profile/.config/Orvane/Orvane.conf" <<EOF
ui_language=default
m_strLang=English
m_strCategory=Web
m_nEnableSuggestion=0
sugg_host=$host
EOF
done
mkdir -m 700 "$work/run"

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
set -u
w="$1"
cd "$w/prog"
export XDG_RUNTIME_DIR="$w/run"
# wait_for <tries of 0.2 s> <command...>
wait_for() { local n="$1"; shift; for _ in $(seq "$n"); do "$@" && return 0; sleep 0.2; done; return 1; }
sockets_are() { [ "$(ls "$w/run" | grep -c '\.sock$')" -eq "$1" ]; }
requested() { grep -qxF "$1" "$w/requests.log"; }

./orvane >"$w/a.out" 2>&1 &
a=$!
wait_for 150 sockets_are 1 || echo "no socket" >>"$w/problems"

start=$(date +%s)
timeout 60 ./orvane sea otter >"$w/b.out" 2>&1
echo "$? $(( $(date +%s) - start ))" >"$w/b.status"
wait_for 150 requested "/web?q=sea%20otter" && echo forwarded >>"$w/results"
timeout 60 ./orvane >>"$w/b.out" 2>&1
echo "$?" >"$w/b2.status"
kill -0 "$a" 2>/dev/null && echo "first alive" >>"$w/results"

# Another configuration folder is another profile: its own window.
XDG_CONFIG_HOME="$w/home2/.config" ./orvane other profile >"$w/o.out" 2>&1 &
o=$!
wait_for 150 sockets_are 2 && kill -0 "$o" 2>/dev/null && echo "own window" >>"$w/results"
wait_for 150 requested "/web?q=other%20profile"
kill -9 "$o"; wait "$o" 2>/dev/null

# Killed: its lock and socket stay behind.
kill -9 "$a"; wait "$a" 2>/dev/null
ls "$w/run" >"$w/stale.list"
./orvane after kill >"$w/c.out" 2>&1 &
c=$!
wait_for 150 requested "/web?q=after%20kill" && kill -0 "$c" 2>/dev/null && echo "after kill" >>"$w/results"
kill -9 "$c"; wait "$c" 2>/dev/null

# The lock names a process that lives on but is not a window.
sleep 300 &
s=$!
lock="$(ls "$w"/run/*.lock | head -n1)"
printf '%d\0' "$s" >"$lock"
chmod 600 "$lock"
./orvane pid reused >"$w/d.out" 2>&1 &
d=$!
wait_for 150 requested "/web?q=pid%20reused" && kill -0 "$d" 2>/dev/null && echo "pid reused" >>"$w/results"
kill -9 "$d" "$s"; wait 2>/dev/null
exit 0
EOF
chmod +x "$work/drive.sh"
: >"$work/results"

e2e_timeout=400 e2e_display "$work/drive.sh" "$work"

fail=0
check() {
    if grep -qxF "$1" "$work/results"; then echo "ok: $2"; else echo "FAIL: $2"; fail=1; fi
}
read -r b_status b_seconds <"$work/b.status" || true
if [ "${b_status:-}" = 0 ] && [ "${b_seconds:-99}" -lt 20 ]; then
    echo "ok: the second start exits 0 at once (${b_seconds}s)"
else
    echo "FAIL: the second start ended with '${b_status:-}' after ${b_seconds:-?}s"; fail=1
fi
check forwarded "the running window searched the second start's keyword"
if [ "$(cat "$work/b2.status" 2>/dev/null)" = 0 ]; then
    echo "ok: a second start without a keyword exits 0"
else
    echo "FAIL: a second start without a keyword"; fail=1
fi
check "first alive" "the first window goes on"
check "own window" "another configuration folder gets a window of its own"
if grep -q '\.lock$' "$work/stale.list" && grep -q '\.sock$' "$work/stale.list"; then
    echo "ok: a killed window leaves its lock and socket"
else
    echo "FAIL: nothing left behind to test with"; fail=1
fi
check "after kill" "a killed window's lock and socket do not block the next start"
check "pid reused" "a lock naming a live unrelated process does not block the next start"
if [ "$fail" -ne 0 ]; then
    for f in requests.log problems a.out b.out c.out d.out o.out; do
        echo "--- $f"; tail -n 20 "$work/$f" 2>/dev/null || true
    done
fi
exit "$fail"
