#!/usr/bin/env bash
# End to end: a selection owner that never answers holds a start for at most
# a few seconds: it says "The selection could not be read." and the window
# comes up ready to type, as with nothing selected.
# Usage: test_silent_selection_owner.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_silent_selection_owner.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run xdotool python3 dbus-run-session
e2e_setup "$stage"
e2e_start_engine_server
e2e_catalogue <<EOF
Web|http://$host/web?q=*
EOF
e2e_store </dev/null

# Owns PRIMARY and CLIPBOARD and never reads its events, so no request is answered.
cat >"$work/owner.py" <<'PY'
import ctypes, sys, time
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XCreateSimpleWindow.restype = ctypes.c_ulong
x.XInternAtom.restype = ctypes.c_ulong
display = ctypes.c_void_p(x.XOpenDisplay(None))
root = x.XDefaultRootWindow(display)
window = x.XCreateSimpleWindow(display, ctypes.c_ulong(root), 0, 0, 1, 1, 0, ctypes.c_ulong(0), ctypes.c_ulong(0))
for name in (b"PRIMARY", b"CLIPBOARD"):
    atom = x.XInternAtom(display, name, 0)
    x.XSetSelectionOwner(display, ctypes.c_ulong(atom), ctypes.c_ulong(window), ctypes.c_ulong(0))
x.XFlush(display)
print("owned", flush=True)
time.sleep(600)
PY

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
set -u
. "$(dirname "$0")/e2e_lib.sh"
cd "$1/prog"
python3 "$1/owner.py" >"$1/owner.out" 2>&1 &
owner=$!
for _ in $(seq 50); do grep -q owned "$1/owner.out" && break; sleep 0.1; done
start=$(date +%s)
./orvane --selection >"$1/orvane.out" 2>"$1/orvane.err" &
app=$!
if e2e_wait_window 'Orvane$'; then
    echo "window after $(( $(date +%s) - start )) s" >>"$1/results"
    sleep 1
    xdotool search --onlyvisible --name 'Orvane$' windowactivate --sync 2>/dev/null
    e2e_quit "$app" && echo "quit status $app_status" >>"$1/results"
else
    echo "no window" >>"$1/results"
fi
kill -9 "$app" "$owner" 2>/dev/null
EOF
chmod +x "$work/drive.sh"
e2e_timeout=90 e2e_display "$work/drive.sh" "$work"

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
check "the window came up within 10 s" \
    '[ "$(sed -n "s/^window after \([0-9]*\) s$/\1/p" "$work/results")" -le 10 ] 2>/dev/null'
check "the start said the selection could not be read" 'grep -qx "The selection could not be read." "$work/orvane.err"'
check "nothing was searched" '! grep -q "^/web" "$work/requests.log"'
check "the window quit normally" 'grep -qx "quit status 0" "$work/results"'
if [ "$fail" -ne 0 ]; then
    echo "--- results"; cat "$work/results" 2>/dev/null || true
    echo "--- stderr"; tail -n 5 "$work/orvane.err" 2>/dev/null || true
fi
exit "$fail"
