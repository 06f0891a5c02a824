#!/usr/bin/env bash
# From Enter in the keyword box to the load event of the page on show, and of
# the last page, with 1 and 40 engines, against a loopback server whose
# result page has a realistic weight: about 150 KB of markup in 100 result
# blocks, a stylesheet, a script that works the CPU for about 60 ms, and a
# beacon sent on the load event. Each engine has a host of its own
# (127.0.0.2, 127.0.0.3, ...); the server answers the result page at once or
# after 250 ms. The real program runs under Xvfb; once its start-up has
# settled the keyword is typed into the keyword box and Enter pressed
# (xdotool, XTest). Medians of several searches; figures, never pass/fail.
#
#   bench/search/current_first.sh <build dir> [searches] [older build dir...]
#
# With an older build both are measured in the same run, one after the
# other for each case, so that their figures can be set side by side; more
# builds (variants) may follow.
#
# Then, with 40 engines, the pages on show side by side (View > Layout): in
# one, two and four panes (a 1200 x 900 window for all three), Enter to the
# load event of the last page on show, against the one page on show of a
# single pane (goal: within 1.3x). ORVANE_BENCH_PANES narrows them ("1 2 4").
# The same pages are then shown by bench_bare_side_by_side: plain web views
# in the same layouts, all loading at once with nothing else running. Its
# ratios are what this machine allows: four pages that each work the CPU
# cannot load on two cores as fast as one does, whatever loads them.
set -euo pipefail

build="$(cd "${1:?usage: current_first.sh <build dir> [searches] [older build dir]}" && pwd)"
searches="${2:-5}"
shift $(( $# < 2 ? $# : 2 ))
stages=("$build/stage")
bare="$build/bench/browser/bench_bare_side_by_side"
[ -x "$bare" ] || bare=""
for other in "$@"; do
  stages+=("$(cd "$other" && pwd)/stage")
done
for stage in "${stages[@]}"; do
  [ -x "$stage/orvane" ] || { echo "no program in $stage" >&2; exit 1; }
done
command -v xdotool >/dev/null || { echo "needs xdotool" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cat >"$work/measure.py" <<'PY'
import asyncio, ctypes, ctypes.util, os, shutil, signal, statistics, subprocess, sys, threading, time
import urllib.parse

work, searches, bare = sys.argv[1], int(sys.argv[2]), sys.argv[3]
builds = [b for b in sys.argv[4:] if b]
# ORVANE_BENCH_ENGINES and ORVANE_BENCH_DELAYS narrow the cases, e.g. "40" and "0".
ENGINE_COUNTS = tuple(int(v) for v in os.environ.get("ORVANE_BENCH_ENGINES", "1 40").split())
DELAYS_MS = tuple(int(v) for v in os.environ.get("ORVANE_BENCH_DELAYS", "0 250").split())
PANES = tuple(int(v) for v in os.environ.get("ORVANE_BENCH_PANES", "1 2 4").split())
PANE_ENGINES = 40
MAX_HOSTS = max(ENGINE_COUNTS + ((PANE_ENGINES,) if PANES else ()))
LAYOUT_OF_PANES = {1: 0, 2: 1, 3: 2, 4: 3}

# --- the loopback server -------------------------------------------------
STYLE = ("body{font:14px sans-serif;margin:0 2em}.r{margin:1em 0;padding:.5em;border-bottom:1px solid #ddd}"
         ".r h3{font-size:18px;margin:0}.r a{color:#1a0dab}.r cite{color:#006621;display:block}"
         ".r p{line-height:1.4;color:#444}.r .m span{margin-right:1em;font-size:12px}\n") * 20
# About 60 ms of work on an idle core of this class of machine: a fixed
# amount, so that pages sharing the CPU take longer, as real ones do.
SCRIPT = """
(function () {
  var t0 = performance.now(), x = 0;
  for (var i = 0; i < 3600000; i++) { x += Math.sqrt(i ^ (x & 1023)); }
  var work = performance.now() - t0;
  document.documentElement.setAttribute('data-x', String(x));
  window.addEventListener('load', function () {
    var u = new URLSearchParams(location.search);
    navigator.sendBeacon('/beacon?e=' + u.get('e') + '&q=' + encodeURIComponent(u.get('q')) +
                         '&js=' + work.toFixed(1), '');
  });
})();
"""
WORDS = ("otter river kelp shell coast fur dive swim pup raft float tide rock sea cold "
         "water fish clam urchin play").split()

def page(query, engine):
    q = urllib.parse.quote(query)
    blocks = []
    for i in range(100):
        words = " ".join(WORDS[(i * 7 + k) % len(WORDS)] for k in range(190))
        blocks.append(
            '<div class="r"><h3><a href="http://127.0.0.1:9/r%d?q=%s">%s result %d: %s</a></h3>'
            '<cite>http://127.0.0.1:9/r%d</cite><p>%s</p><div class="m"><span>cached</span>'
            '<span>similar</span></div></div>' % (i, q, query, i, WORDS[i % len(WORDS)], i, words))
    return ('<!DOCTYPE html><html><head><meta charset="utf-8"><title>%s - engine %d</title>'
            '<link rel="stylesheet" href="/style.css"><script src="/app.js"></script></head>'
            '<body><h1>Results for %s</h1>%s</body></html>' % (query, engine, query, "".join(blocks))
            ).encode()

class Server:
    def __init__(self):
        self.delay_ms = 0
        self.beacons = {}  # (query, engine) -> (monotonic time, script ms)
        self.lock = threading.Lock()
        self.loop = asyncio.new_event_loop()
        self.ready = threading.Event()
        threading.Thread(target=self.run, daemon=True).start()
        self.ready.wait()

    def run(self):
        asyncio.set_event_loop(self.loop)
        self.loop.run_until_complete(self.listen())
        self.ready.set()
        self.loop.run_forever()

    async def listen(self):
        for attempt in range(20):
            first = await asyncio.start_server(self.serve, "127.0.0.1", 0)
            self.port = first.sockets[0].getsockname()[1]
            try:
                self.servers = [first] + [await asyncio.start_server(self.serve, "127.0.0.%d" % (h + 2),
                                                                     self.port)
                                          for h in range(MAX_HOSTS)]
                return
            except OSError:
                first.close()
        raise RuntimeError("no free port on the loopback hosts")

    async def serve(self, reader, writer):
        try:
            while True:
                head = await reader.readuntil(b"\r\n\r\n")
                lines = head.decode("latin-1").split("\r\n")
                method, target = lines[0].split(" ")[:2]
                length = 0
                for line in lines[1:]:
                    if line.lower().startswith("content-length:"):
                        length = int(line.split(":")[1])
                if length:
                    await reader.readexactly(length)
                path, _, query = target.partition("?")
                args = urllib.parse.parse_qs(query)
                ctype, body, cache = "text/html; charset=utf-8", b"", "no-store"
                if path == "/search":
                    if self.delay_ms:
                        await asyncio.sleep(self.delay_ms / 1000.0)
                    body = page(args.get("q", [""])[0], int(args.get("e", ["0"])[0]))
                elif path == "/style.css":
                    ctype, body, cache = "text/css", STYLE.encode(), "max-age=3600"
                elif path == "/app.js":
                    ctype, body, cache = "text/javascript", SCRIPT.encode(), "max-age=3600"
                elif path == "/beacon":
                    now = time.monotonic()
                    with self.lock:
                        key = (args.get("q", [""])[0], int(args.get("e", ["-1"])[0]))
                        self.beacons.setdefault(key, (now, float(args.get("js", ["0"])[0])))
                    ctype = "text/plain"
                writer.write(("HTTP/1.1 %d OK\r\nContent-Type: %s\r\nContent-Length: %d\r\n"
                              "Cache-Control: %s\r\n\r\n" % (200 if path != "/beacon" else 204, ctype,
                                                            len(body), cache)).encode() + body)
                await writer.drain()
        except (asyncio.IncompleteReadError, ConnectionError, ValueError):
            pass
        finally:
            writer.close()

    def beacons_for(self, query):
        with self.lock:
            return {e: v for (q, e), v in self.beacons.items() if q == query}

# --- the program ---------------------------------------------------------
class Keys:
    """Enter through XTest, timed on this side of the call."""
    def __init__(self):
        x = self.x = ctypes.CDLL(ctypes.util.find_library("X11"))
        t = self.t = ctypes.CDLL(ctypes.util.find_library("Xtst"))
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x.XFlush.argtypes = [ctypes.c_void_p]
        t.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.dpy = x.XOpenDisplay(None)
        self.enter = x.XKeysymToKeycode(self.dpy, 0xff0d)

    def press_enter(self):
        self.t.XTestFakeKeyEvent(self.dpy, self.enter, 1, 0)
        self.t.XTestFakeKeyEvent(self.dpy, self.enter, 0, 0)
        self.x.XFlush(self.dpy)

def tree_pids(pid):
    pids, seen = [pid], []
    while pids:
        p = pids.pop()
        if p in seen:
            continue
        seen.append(p)
        try:
            with open("/proc/%d/task/%d/children" % (p, p)) as f:
                pids.extend(int(c) for c in f.read().split())
        except OSError:
            pass
    return seen

def stop_tree(proc):
    pids = tree_pids(proc.pid)
    for p in pids:
        try:
            os.kill(p, signal.SIGKILL)
        except OSError:
            pass
    proc.wait()
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline and any(os.path.exists("/proc/%d" % p) for p in pids[1:]):
        time.sleep(0.05)

def catalogue(n, port):
    rows = "".join(
        "<ENGINE><INDEX>%d</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY>"
        "<NAME>Engine %d</NAME><URL>http://127.0.0.%d:%d/search?e=%d&amp;q=*</URL>"
        "<ENCODING>UTF-8</ENCODING><ENABLE>1</ENABLE></ENGINE>\n" % (i + 1, i + 1, i + 2, port, i)
        for i in range(n))
    return '<?xml version="1.0" encoding="UTF-8"?>\n<ENGINES>\n' + rows + "</ENGINES>\n"

def prepare(stage, tag, n, port, panes=0):
    prog = os.path.join(work, "prog-%s-%d" % (tag, n))
    if not os.path.exists(prog):
        shutil.copytree(stage, prog)
        with open(os.path.join(prog, "conf", "config.xml"), "w") as f:
            f.write(catalogue(n, port))
    home = os.path.join(work, "home")
    shutil.rmtree(home, ignore_errors=True)
    os.makedirs(os.path.join(home, ".config", "Orvane"))
    with open(os.path.join(home, ".config", "Orvane", "Orvane.conf"), "w") as f:
        f.write("ui_language=default\nm_nEnableSuggestion=0\nsugg_host=127.0.0.1:9\n")
        if panes:
            f.write("page_layout=%d\nm_nShowEngineManager=0\nm_nPreserveFrameSizePos=1\n"
                    "x=0\ny=0\nw=1200\nh=900\n" % LAYOUT_OF_PANES[panes])
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"), ORVANE_REPORT_IDLE="1")
    return prog, env

def xdo(*args):
    return subprocess.run(["xdotool"] + list(args), stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True).stdout.strip()

def run_program(server, keys, stage, tag, n, label, panes=0, bare=None):
    """Starts the program, waits for it to settle, and times searches; returns
    [(current ms, last ms, script ms of the current page, last page on show ms)].
    With panes, the first engines' pages are on show, one per pane. With bare,
    that program shows the panes' pages and nothing else."""
    prog, env = prepare(stage, tag, n, server.port, panes)
    command, title = ["./orvane"], "Orvane"
    if bare:
        command, title, n = [bare, str(max(panes, 1)), str(server.port)], "bare side by side", max(panes, 1)
    proc = subprocess.Popen(command, cwd=prog, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True)
    results = []
    try:
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline:
            line = proc.stdout.readline()
            if not line or line.startswith("orvane: idle") or line.startswith("READY"):
                break
        time.sleep(2.0)  # start-up settles: the web processes finish their own work
        window = ""
        while not window and time.monotonic() < deadline:
            window = xdo("search", "--onlyvisible", "--name", title).split("\n")[0]
            time.sleep(0.2)
        for s in range(searches + 1):  # the first search warms up and is not counted
            query = "%s%d" % (label, s)
            xdo("windowfocus", "--sync", window)
            xdo("key", "--clearmodifiers", "F6")
            xdo("key", "--clearmodifiers", "ctrl+a")
            xdo("type", "--delay", "5", query)
            time.sleep(0.5)
            start = time.monotonic()
            keys.press_enter()
            end = start + 60
            got = {}
            while time.monotonic() < end and len(got) < n:
                time.sleep(0.01)
                got = server.beacons_for(query)
            # The program returns to idle on its next busy-timer tick.
            time.sleep(1.5)
            if len(got) < n:
                print("  %s: search %d: %d of %d pages reported" % (tag, s, len(got), n), file=sys.stderr)
                continue
            if s == 0:
                continue
            current = (got[0][0] - start) * 1000.0
            last = (max(v[0] for v in got.values()) - start) * 1000.0
            shown = (max(got[e][0] for e in range(max(panes, 1))) - start) * 1000.0
            results.append((current, last, got[0][1], shown))
    finally:
        stop_tree(proc)
    return results

server = Server()
keys = Keys()
tags = (["new", "old"] + ["build%d" % (i + 1) for i in range(2, len(builds))])[:len(builds)]
table = {}
for delay in DELAYS_MS:
    server.delay_ms = delay
    for n in ENGINE_COUNTS:
        # Alternate which build goes first, so that neither always meets the same load.
        order = list(zip(tags, builds))
        turn = (n + delay // 250) % len(order)
        order = order[turn:] + order[:turn]
        for tag, stage in order:
            r = run_program(server, keys, stage, tag, n, "otter%s%d%d" % (tag, n, delay))
            table[(tag, n, delay)] = r
            print("  done: %s build, %d engines, delay %d ms: current %s, last %s" %
                  (tag, n, delay, [round(x[0]) for x in r], [round(x[1]) for x in r]), file=sys.stderr)

for delay in DELAYS_MS:
    server.delay_ms = delay
    for panes in PANES:
        for tag, stage in zip(tags, builds):
            r = run_program(server, keys, stage, tag, PANE_ENGINES, "otterp%s%d%d" % (tag, panes, delay), panes)
            table[(tag, "panes", panes, delay)] = r
            print("  done: %s build, %d panes, delay %d ms: on show %s" %
                  (tag, panes, delay, [round(x[3]) for x in r]), file=sys.stderr)
        if bare:
            r = run_program(server, keys, builds[0], "bare", PANE_ENGINES, "otterb%d%d" % (panes, delay), panes, bare)
            table[("bare", "panes", panes, delay)] = r
            print("  done: bare views, %d panes, delay %d ms: on show %s" %
                  (panes, delay, [round(x[3]) for x in r]), file=sys.stderr)

def med(tag, n, delay, i):
    r = table.get((tag, n, delay), [])
    return statistics.median(x[i] for x in r) if r else None

def cell(v):
    return "n/a" if v is None else "%.0f" % v

def ratio(a, b):
    return "-" if a is None or not b else "%.2f" % (a / b)

print("search, Enter to load event, median of %d searches (ms)" % searches)
for tag, stage in zip(tags, builds):
    print("%s build: %s" % (tag, stage))
for delay in DELAYS_MS:
    print("server answers after %d ms" % delay)
    print("  %-5s %7s | %9s %9s | %9s %16s" % ("build", "engines", "current", "last",
                                             "script", "current 40 / 1"))
    for tag in tags:
        for n in ENGINE_COUNTS:
            extra = ratio(med(tag, 40, delay, 0), med(tag, 1, delay, 0)) if n == 40 else ""
            print("  %-5s %7d | %9s %9s | %9s %16s" % (tag, n, cell(med(tag, n, delay, 0)),
                                                    cell(med(tag, n, delay, 1)),
                                                    cell(med(tag, n, delay, 2)), extra))
    for tag in tags if "old" in tags else []:
        if tag != "old":
            print("  last tab, 40 engines, %s / old: %s (goal <= 1.05)" %
                  (tag, ratio(med(tag, 40, delay, 1), med("old", 40, delay, 1))))
print("goal: current tab with 40 engines <= 1.3 x the figure with 1 engine")
if PANES:
    def pmed(tag, panes, delay):
        r = table.get((tag, "panes", panes, delay), [])
        return statistics.median(x[3] for x in r) if r else None
    print("pages on show side by side, %d engines: Enter to the load event of the last page on show,"
          " median (ms)" % PANE_ENGINES)
    for delay in DELAYS_MS:
        print("server answers after %d ms" % delay)
        print("  %-5s %5s | %9s %18s" % ("build", "panes", "on show", "/ single pane"))
        for tag in tags + (["bare"] if bare else []):
            for panes in PANES:
                print("  %-5s %5d | %9s %18s" % (tag, panes, cell(pmed(tag, panes, delay)),
                                                 ratio(pmed(tag, panes, delay), pmed(tag, 1, delay))))
    print("goal: every page on show in two and four panes <= 1.3 x the single pane's page")
    if bare:
        print("bare: plain web views side by side, loading together with nothing else (%d cores):"
              " what the machine allows" % os.cpu_count())
sys.stdout.flush()
PY

NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" dbus-run-session -- \
    python3 "$work/measure.py" "$work" "$searches" "$bare" "${stages[@]}" \
    2> >(grep -v '^dbus-daemon\|SpiRegistry' >&2)
