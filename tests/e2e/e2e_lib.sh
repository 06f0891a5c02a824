# Shared by the end-to-end tests (source it): a scratch folder with a copy of
# the staged program, a loopback engine server that logs what it is asked,
# the means to run the program as an ordinary user under its own display, and
# (for the scripts that drive it there) waiting for its window and quitting it.

# e2e_setup <stage dir>: $work (removed at exit), $work/prog, $work/home.
e2e_setup() {
    local stage="$1"
    [ -x "$stage/orvane" ] || { echo "no program in $stage" >&2; exit 1; }
    work="$(mktemp -d)"
    chmod 755 "$work"
    server_pid=""
    run_as=()
    trap e2e_cleanup EXIT
    cp -r "$stage" "$work/prog"
    mkdir -p "$work/home/.config/Orvane"
    # The drive scripts, written into $work, source this file from there.
    cp "${BASH_SOURCE[0]}" "$work/e2e_lib.sh"
    chmod 644 "$work/e2e_lib.sh"
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

# e2e_start_engine_server [cookie]: answers every GET with a small page and
# appends its target to $work/requests.log; sets $host (127.0.0.1:port) and
# $server_pid. Given a cookie, it also sets that cookie on every answer and
# logs "<target> cookie=<what the browser sent>". /slow... answers after 4 s
# and then logs "answered <target>"; /stream... never ends; /download...
# starts a download of its own (/attachment, which never ends). A click on
# /burst... starts three of those and /named?i=0 and 1, files with hostile
# names that never end either, and 3 s later /named?i=2, a name with path
# separators. /results... is a
# result page (links to other sites, never followed); /captcha... a bot
# check answered with 429. Hostile pages: /spin... spins in a script once
# loaded; /hang... never ends loading its picture; /hidden... holds a million hidden links; /print... calls print();
# /dlnav... and /dlattr... start downloads of their own (a script file, a
# link with a download attribute); /botfooter... is a challenge with status
# 200 above a strip of off-site footer links. /serpN... holds six results
# (sites N to N+5) under headings.
e2e_start_engine_server() {
    cat >"$work/server.py" <<'PY'
import http.server, socketserver, sys, time, urllib.parse
log_path, cookie = sys.argv[1], sys.argv[2]
NAMES = ["a\x1b]0;title\x07\x1b[2J.bin", "\u202egnp.exe", "../../dir/sub\\name.bin"]
class Handler(http.server.BaseHTTPRequestHandler):
    def log(self, line):
        with open(log_path, "a") as log:
            log.write(line + "\n")
    def do_GET(self):
        if cookie:
            self.log("%s cookie=%s" % (self.path, self.headers.get("Cookie", "")))
        else:
            self.log(self.path)
        if self.path.startswith("/stream"):
            # A page that never ends.
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.end_headers()
            try:
                self.wfile.write(b"<html><head><title>r</title></head><body>")
                while True:
                    self.wfile.write(b"<p>more</p>\n")
                    self.wfile.flush()
                    time.sleep(0.5)
            except OSError:
                return
        if self.path.startswith("/attachment") or self.path.startswith("/named"):
            # A file that never ends, saved only when the person agrees.
            name = "file.bin"
            if self.path.startswith("/named"):
                name = NAMES[int(self.path.split("i=")[1][:1])]
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Disposition",
                             "attachment; filename*=UTF-8''" + urllib.parse.quote(name, safe=""))
            self.end_headers()
            try:
                while True:
                    self.wfile.write(b"x" * 4096)
                    self.wfile.flush()
                    time.sleep(0.2)
            except OSError:
                return
        if self.path.startswith("/slow"):
            time.sleep(4)
        status = 200
        body = b"<html><head><title>result</title></head><body>result</body></html>"
        if self.path.startswith("/serp"):
            # /serpN: results from site N to N+5, each under a heading with a snippet.
            first = int(self.path[5:6] or 0)
            body = b"<html><head><title>serp</title></head><body>" + b"".join(
                b"<div class='r'><h3><a href='https://site%d.example/'>Site %d &#x6d77;</a></h3><p>What site %d says"
                b" about the words, at some length.</p></div>" % (i, i, i) for i in range(first, first + 6)) + b"</body></html>"
        elif self.path.startswith("/results"):
            body = b"<html><head><title>results</title></head><body>" + b"".join(
                b"<p><a href='https://site%d.example/'>result %d</a></p>" % (i, i) for i in range(8)) + b"</body></html>"
        elif self.path.startswith("/download"):
            # A page that starts a download on its own, without a click.
            body = (b"<html><head><title>result</title></head><body>result"
                    b"<iframe style='display:none' src='/attachment'></iframe></body></html>")
        elif self.path.startswith("/burst"):
            body = (b"<html><head><title>burst</title></head><body style='margin:0' onclick=\"function get(u)"
                    b" { const f = document.createElement('iframe'); f.style.display = 'none'; f.src = u;"
                    b" document.body.appendChild(f); } for (let i = 0; i < 3; ++i) get('/attachment?i=' + i);"
                    b" get('/named?i=0'); get('/named?i=1'); setTimeout(() => get('/named?i=2'), 3000);\">"
                    b"<div style='width:100vw;height:100vh'>burst</div></body></html>")
        elif self.path.startswith("/spin"):
            body = (b"<html><head><title>spin</title></head><body>" + b"".join(
                b"<p><a href='https://site%d.example/'>result %d</a></p>" % (i, i) for i in range(8)) +
                b"<script>onload = () => setTimeout(() => { for (;;) {} }, 0);</script></body></html>")
        elif self.path.startswith("/hidden"):
            body = (b"<html><head><title>hidden</title></head><body><div id='h' style='display:none'></div>"
                    b"<script>document.getElementById('h').innerHTML ="
                    b" '<a href=\"https://x.example/\">x</a>'.repeat(1000000);</script></body></html>")
        elif self.path.startswith("/hang"):
            body = b"<html><head><title>hang</title></head><body><img src='/stream'></body></html>"
        elif self.path.startswith("/print"):
            body = (b"<html><head><title>print</title></head><body>" + b"".join(
                b"<p><a href='https://site%d.example/'>result %d</a></p>" % (i, i) for i in range(8)) +
                b"<script>print();</script></body></html>")
        elif self.path.startswith("/dlnav"):
            body = b"<html><body>moving<script>location = '/direct.sh';</script></body></html>"
        elif self.path.startswith("/direct.sh"):
            body = b"echo owned > ~/owned\n"
            self.send_response(200)
            self.send_header("Content-Type", "application/x-sh")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        elif self.path.startswith("/dlattr"):
            body = (b"<html><body><a id='d' download='bashrc' href='/result'>x</a>"
                    b"<script>document.getElementById('d').click();</script></body></html>")
        elif self.path.startswith("/botfooter"):
            body = (b"<html><head><title>Just a moment...</title></head><body style='margin:0;height:100vh'>"
                    b"<p>Checking your browser</p><div id='challenge-stage' style='width:300px;height:65px;"
                    b"border:1px solid'></div><div style='position:absolute;bottom:0'>" + b"".join(
                    b"<a href='https://social%d.example/'>Social %d</a> " % (i, i) for i in range(6)) +
                    b"</div></body></html>")
        elif self.path.startswith("/captcha"):
            status = 429
            body = (b"<html><head><title>sorry</title></head><body><p>Unusual traffic.</p>"
                    b"<div class='g-recaptcha' style='width:304px;height:78px;border:1px solid'></div></body></html>")
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        if cookie:
            self.send_header("Set-Cookie", cookie)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        if self.path.startswith("/slow"):
            self.log("answered " + self.path)
    def log_message(self, *args):
        pass
class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
server = Server(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
PY
    : >"$work/requests.log"
    python3 "$work/server.py" "$work/requests.log" "${1:-}" >"$work/port" &
    server_pid=$!
    local _
    for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
    [ -s "$work/port" ] || { echo "server did not start" >&2; exit 1; }
    host="127.0.0.1:$(cat "$work/port")"
}

# e2e_store: writes the store: English / Web, no language question, no
# suggestions, the suggestion host at $host; lines on stdin are added.
e2e_store() {
    { printf 'ui_language=default\nm_strLang=English\nm_strCategory=Web\nm_nEnableSuggestion=0\nsugg_host=%s\n' "$host"
      cat; } >"$work/home/.config/Orvane/Orvane.conf"
}

# e2e_catalogue: writes the catalogue, one engine per line on stdin:
# NAME|URL[|LANGUAGE|CATEGORY|ENABLE|INDEX]; an empty or missing field is
# English, Web, 1 or the line's number. The fields are escaped for XML.
e2e_catalogue() {
    python3 -c '
import sys
from xml.sax.saxutils import escape
rows = []
for number, line in enumerate(sys.stdin.read().splitlines(), 1):
    fields = line.split("|")
    defaults = ["English", "Web", "1", str(number)]
    lang, cat, enable, index = [(fields[2 + i:3 + i] or [""])[0] or defaults[i] for i in range(4)]
    name, url = fields[0], fields[1]
    rows.append("<ENGINE><INDEX>%s</INDEX><LANGUAGE>%s</LANGUAGE><CATEGORY>%s</CATEGORY><NAME>%s</NAME>"
                "<URL>%s</URL><ENCODING>UTF-8</ENCODING><ENABLE>%s</ENABLE></ENGINE>\n"
                % (index, escape(lang), escape(cat), escape(name), escape(url), enable))
sys.stdout.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ENGINES>\n" + "".join(rows) + "</ENGINES>\n")
' >"$work/prog/conf/config.xml"
}

# e2e_run <status> [args...]: runs the program without a display, in $work,
# with $work/home as home; its output goes to $work/out and $work/err. Sets
# fail=1 (and says so) when it exits with another status.
e2e_run() {
    local want="$1"; shift
    local got=0
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
        timeout 30 "$work/prog/orvane" "$@" >"$work/out" 2>"$work/err") || got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL: orvane $* exited $got, expected $want"; cat "$work/err"; fail=1
    fi
}

# e2e_expect <out|err> <text>: sets fail=1 (and shows both) unless the last
# e2e_run printed exactly the text there.
e2e_expect() {
    if [ "$(cat "$work/$1")" != "$2" ]; then
        echo "FAIL: unexpected $1"; echo "--- got"; cat "$work/$1"; echo "--- expected"; echo "$2"; fail=1
    fi
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

# e2e_display <command> [args...]: runs the command (a drive script) with a
# clean environment and $work/home as home, as $run_as, under its own Xvfb
# and session bus, for at most $e2e_timeout seconds (two minutes unless set).
# The sanitizer suite's options go through to the program.
# Its output and status are ignored: the test judges what it left behind.
e2e_display() {
    env -i PATH="$PATH" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
        NO_AT_BRIDGE=1 LANG=C.UTF-8 \
        ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
        "${run_as[@]}" timeout "${e2e_timeout:-120}" xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
        dbus-run-session -- "$@" >/dev/null 2>&1 || true
}

# --- Inside the display (drive scripts source $work/e2e_lib.sh) ---

# e2e_wait_window <title pattern>: waits up to 30 s for a visible window with
# that title; sets $win, fails when none came.
e2e_wait_window() {
    local _
    win=""
    for _ in $(seq 150); do
        win="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)"
        [ -n "$win" ] && return 0
        sleep 0.2
    done
    return 1
}

# e2e_wait_exit <pid>: waits up to 15 s for the program to end, then kills it.
# Fails when it had to be killed; $app_status is its exit status.
e2e_wait_exit() {
    local _ ended=0
    for _ in $(seq 75); do
        kill -0 "$1" 2>/dev/null || { ended=1; break; }
        sleep 0.2
    done
    [ "$ended" -eq 1 ] || kill "$1" 2>/dev/null || true
    app_status=0
    wait "$1" 2>/dev/null || app_status=$?
    [ "$ended" -eq 1 ]
}

# e2e_tree <pid>: the process and every process below it, one per line.
e2e_tree() {
    local p
    echo "$1"
    for p in $(pgrep -P "$1"); do e2e_tree "$p"; done
}

# e2e_wait_gone <pid>...: waits up to 10 s for these processes to end; sets
# $alive to those still running.
e2e_wait_gone() {
    local _ p
    for _ in $(seq 100); do
        alive=""
        for p in "$@"; do [ -e "/proc/$p" ] && alive="$alive $p"; done
        [ -z "$alive" ] && return 0
        sleep 0.1
    done
    return 1
}

# e2e_quit <pid>: quits through the File menu's accelerator and waits.
e2e_quit() {
    xdotool key --clearmodifiers alt+x
    e2e_wait_exit "$1"
}
