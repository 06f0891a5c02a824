# Shared by the end-to-end tests (source it): a scratch folder with a copy of
# the staged program, a loopback engine server that logs what it is asked,
# and the means to run the program as an ordinary user.

# e2e_setup <stage dir>: $work (removed at exit), $work/prog, $work/home.
e2e_setup() {
    local stage="$1"
    [ -x "$stage/orvane" ] || { echo "no program in $stage" >&2; exit 1; }
    work="$(mktemp -d)"
    chmod 755 "$work"
    server_pid=""
    trap e2e_cleanup EXIT
    cp -r "$stage" "$work/prog"
    mkdir -p "$work/home/.config/Orvane"
}

e2e_cleanup() {
    [ -n "${server_pid:-}" ] && kill "$server_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}

# e2e_require <tool>...: fails the test when one is missing.
e2e_require() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
    done
}

# e2e_start_engine_server: answers every GET with a small page and appends its
# target to $work/requests.log; sets $host (127.0.0.1:port) and $server_pid.
e2e_start_engine_server() {
    cat >"$work/server.py" <<'PY'
import http.server, sys
log_path = sys.argv[1]
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(log_path, "a") as log:
            log.write(self.path + "\n")
        body = b"<html><head><title>result</title></head><body>result</body></html>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
PY
    : >"$work/requests.log"
    python3 "$work/server.py" "$work/requests.log" >"$work/port" &
    server_pid=$!
    local _
    for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
    [ -s "$work/port" ] || { echo "server did not start" >&2; exit 1; }
    host="127.0.0.1:$(cat "$work/port")"
}

# e2e_as_user: sets the array run_as to a prefix that drops root's rights
# (root may write anywhere, which would hide read-only folders), and gives the
# test's home folder to that user.
e2e_as_user() {
    run_as=()
    if [ "$(id -u)" -eq 0 ]; then
        run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all)
        chown -R nobody:nogroup "$work/home"
    fi
}
