#!/usr/bin/env bash
# End to end, real processes: the single-instance channel never lets a
# command run beside the window nor another user answer for it. A runtime
# folder too long for a socket address still reaches the window; error lines
# come back on stderr; a request too large, and a lock held by a process that
# does not listen, are refused at once or after a short wait with a non-zero
# status; an import queued behind a page that never ends is dropped as busy,
# while other starts are still answered, and is not applied when the window
# closes; a shared (1777) runtime folder where another user listens is not
# used (that part only as root).
# Usage: test_channel_guards.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_channel_guards.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run python3 dbus-run-session timeout setpriv

e2e_setup "$stage"

# The engine server: /web answers at once; /stream never ends.
e2e_start_engine_server

e2e_catalogue <<EOF
Stream|http://$host/stream?q=*
EOF
cat >"$work/home/.config/Orvane/Orvane.conf" <<EOF
ui_language=default
m_strLang=English
m_strCategory=Web
m_nEnableSuggestion=0
EOF
cat >"$work/d.xml" <<EOF
<OpenSearchDescription xmlns="http://a9.com/-/spec/opensearch/1.1/"><ShortName>Queued</ShortName>
<Url type="text/html" template="http://$host/queued?q={searchTerms}"/></OpenSearchDescription>
EOF
long="$work/$(printf 'r%.0s' $(seq 100))"
mkdir -m 700 "$long" "$work/run"
# Holds a lock file as a window would, without ever listening.
cat >"$work/hold.py" <<'PY'
import fcntl, sys, time
f = open(sys.argv[1], "a")
fcntl.lockf(f, fcntl.LOCK_EX)
open(sys.argv[2], "w").close()
time.sleep(120)
PY
# Another user's listener: logs whatever reaches it.
cat >"$work/evil.py" <<'PY'
import os, socket, sys
path, log = sys.argv[1], sys.argv[2]
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.bind(path)
os.chmod(path, 0o777)
s.listen(4)
open(log, "w").close()
while True:
    c, _ = s.accept()
    c.settimeout(2)
    try:
        data = c.recv(65536)
    except OSError:
        data = b""
    with open(log, "a") as f:
        f.write(repr(data) + "\n")
    c.close()
PY

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
set -u
. "$(dirname "$0")/e2e_lib.sh"
w="$1"; long="$2"
cd "$w"
wait_for() { local n="$1"; shift; for _ in $(seq "$n"); do "$@" && return 0; sleep 0.2; done; return 1; }
logged() { grep -q "^$1" "$w/requests.log"; }
idle() { grep -q "idle after start" "$w/window.out"; }
# cmd <name> <args...>: stdout, stderr, status and seconds into <name>.*
cmd() {
    local name="$1" start; shift
    start=$(date +%s)
    timeout 100 "$w/prog/orvane" "$@" >"$w/$name.out" 2>"$w/$name.err"
    echo "$? $(( $(date +%s) - start ))" >"$w/$name.status"
}

# A runtime folder whose socket address would not fit.
export XDG_RUNTIME_DIR="$long"
(cd "$w/prog" && ORVANE_REPORT_IDLE=1 exec ./orvane) >"$w/window.out" 2>&1 &
win=$!
wait_for 300 idle || echo "no window" >>"$w/problems"
# The file gains an engine the window never loaded: only a headless run shows it.
sed -i 's|</ENGINES>|<ENGINE><INDEX>2</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>Disk</NAME><URL>http://disk/?q=*</URL></ENGINE></ENGINES>|' "$w/prog/conf/config.xml"
cmd urls --urls sea
big=()
for _ in $(seq 11); do big+=("$(head -c 100000 /dev/zero | tr '\0' x)"); done
cmd big --urls "${big[@]}"

# A page that never ends: an import queued behind it is dropped as busy.
cmd search forever
wait_for 100 logged "/stream?q=forever" || echo "no search" >>"$w/problems"
cmd queued --import "$w/d.xml" &
queued=$!
sleep 2
cmd meanwhile --urls otter
wait "$queued"
kill -TERM "$win"
e2e_wait_exit "$win" || echo "window did not close" >>"$w/problems"

# Through a window, errors still go to stderr. Then the window is killed and
# its lock held by a process that does not listen.
export XDG_RUNTIME_DIR="$w/run"
(cd "$w/prog" && ORVANE_REPORT_IDLE=1 exec ./orvane) >"$w/window2.out" 2>&1 &
win=$!
wait_for 300 eval 'grep -q "idle after start" "$w/window2.out"' || echo "no window 2" >>"$w/problems"
cmd failed --export "$w"
kill -9 "$win"; wait "$win" 2>/dev/null
lock="$(ls "$w"/run/*.lock | head -n1)"
sock="$(basename "$(ls "$w"/run/*.sock | head -n1)")"
rm -f "$w/run/$sock"
python3 "$w/hold.py" "$lock" "$w/held" &
holder=$!
wait_for 50 test -f "$w/held"
cmd held --urls sea
kill "$holder"; wait "$holder" 2>/dev/null

# Another user listens first in a shared runtime folder.
if [ "$(id -u)" -eq 0 ]; then
    mkdir -m 1777 "$w/shared"
    setpriv --reuid=nobody --regid=nogroup --clear-groups /usr/bin/python3 "$w/evil.py" "$w/shared/$sock" "$w/shared/evil.log" &
    evil=$!
    wait_for 50 test -f "$w/shared/evil.log"
    XDG_RUNTIME_DIR="$w/shared" cmd shared --urls secret words
    kill "$evil"; wait "$evil" 2>/dev/null
fi
exit 0
EOF
chmod +x "$work/drive.sh"

e2e_timeout=400 e2e_display "$work/drive.sh" "$work" "$long"

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
status() { cut -d' ' -f1 "$work/$1.status" 2>/dev/null; }
seconds() { cut -d' ' -f2 "$work/$1.status" 2>/dev/null || echo 999; }
check "a runtime folder too long for a socket still reaches the window" \
    '[ "$(status urls)" = 0 ] && [ "$(cat "$work/urls.out")" = "http://$host/stream?q=sea" ]'
check "error lines of a command through the window go to stderr" \
    '[ "$(status failed)" != 0 ] && [ ! -s "$work/failed.out" ] && [ -s "$work/failed.err" ]'
check "a request too large for the channel is refused at once, not run" \
    '[ "$(status big)" != 0 ] && [ ! -s "$work/big.out" ] && grep -q "too long" "$work/big.err" && [ "$(seconds big)" -lt 5 ]'
check "an import queued behind an endless page is dropped as busy" \
    '[ "$(status queued)" != 0 ] && grep -q "busy" "$work/queued.err" && [ "$(seconds queued)" -lt 60 ]'
check "other starts are answered while it waits" \
    '[ "$(status meanwhile)" = 0 ] && [ "$(seconds meanwhile)" -lt 5 ]'
check "the dropped import is not applied when the window closes" \
    '! grep -q "<NAME>Queued</NAME>" "$work/prog/conf/config.xml"'
check "a lock held without a listener refuses the command" \
    '[ "$(status held)" != 0 ] && [ ! -s "$work/held.out" ] && grep -q "holds the lock" "$work/held.err"'
if [ "$(id -u)" -eq 0 ]; then
    check "a shared runtime folder where another user listens is not used" \
        '[ -f "$work/shared/evil.log" ] && [ ! -s "$work/shared/evil.log" ] && [ "$(status shared)" = 0 ]'
else
    echo "skip: another user's listener needs root to play that user"
fi
if [ "$fail" -ne 0 ]; then
    for f in window.out window2.out problems requests.log shared/evil.log; do
        echo "--- $f"; tail -n 20 "$work/$f" 2>/dev/null || true
    done
    for f in urls failed big queued meanwhile held shared; do
        echo "--- $f: $(cat "$work/$f.status" 2>/dev/null)"; head -c 600 "$work/$f.out" "$work/$f.err" 2>/dev/null || true
    done
fi
exit "$fail"
