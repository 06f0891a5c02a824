#!/usr/bin/env bash
# Start-up of the real program against a minimal wxWebView program that opens
# the same number of views on the same local page, in a window of the same
# client size (893 x 550) under a focused text box. For each engine count it
# prints medians of several runs and their ratios; never pass/fail:
#   window visible   the top-level window is mapped (an X MapNotify event);
#   input            a key typed with xdotool as soon as the window is mapped
#                    has changed the keyword box's text (the text box's, for
#                    the minimal program);
#   idle             every page has loaded its start page and none is busy;
#   stall            the program's longest event-loop stall between its first
#                    loop turn and idle, next to its slowest web view creation.
#
#   bench/frame/launch_to_idle.sh <build dir> [runs] [engine counts...]
#
# With ORVANE_BENCH_MEMORY=1 it also reads, at idle, the memory of each
# program and every process below it (summed PSS from smaps_rollup: the
# WebKit web and network processes included) and prints that ratio too.
#
# ORVANE_REPORT_IDLE=1 makes the program print its input, idle and stall
# lines. The baseline is bench_minimal_webview from the same build
# (configure with -DORVANE_BENCH=ON).
set -euo pipefail

build="$(cd "${1:?usage: launch_to_idle.sh <build dir> [runs]}" && pwd)"
runs="${2:-5}"
shift $(( $# < 2 ? $# : 2 ))
counts="${*:-1 5 20 40}"
stage="$build/stage"
minimal="$build/bench/browser/bench_minimal_webview"
[ -x "$stage/orvane" ] || { echo "no program in $stage" >&2; exit 1; }
[ -x "$minimal" ] || { echo "no $minimal (configure with -DORVANE_BENCH=ON)" >&2; exit 1; }
command -v xdotool >/dev/null || { echo "needs xdotool" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cat >"$work/measure.py" <<'PY'
import ctypes, ctypes.util, os, select, shutil, signal, statistics, subprocess, sys, time

stage, minimal, work, runs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
counts = [int(c) for c in sys.argv[5].split()]
measure_memory = os.environ.get("ORVANE_BENCH_MEMORY") == "1"

class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong),
                ("window", ctypes.c_ulong), ("override_redirect", ctypes.c_int)]

class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]

class MapWatch:
    """Names of top-level windows as the X server maps them (MapNotify on the root)."""
    MAP_NOTIFY, SUBSTRUCTURE_NOTIFY_MASK = 19, 1 << 19

    def __init__(self):
        x = self.x = ctypes.CDLL(ctypes.util.find_library("X11"))
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        for f in ("XDefaultRootWindow", "XConnectionNumber", "XPending", "XSync", "XFlush"):
            getattr(x, f).argtypes = [ctypes.c_void_p] + ([ctypes.c_int] if f == "XSync" else [])
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
        x.XFree.argtypes = [ctypes.c_void_p]
        # A window may be gone before its name is read: ignore X errors.
        self.handler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
        x.XSetErrorHandler(self.handler)
        self.dpy = x.XOpenDisplay(None)
        x.XSelectInput(self.dpy, x.XDefaultRootWindow(self.dpy), self.SUBSTRUCTURE_NOTIFY_MASK)
        x.XSync(self.dpy, 0)
        self.fd = x.XConnectionNumber(self.dpy)

    def mapped(self):
        names, ev = [], XEvent()
        while self.x.XPending(self.dpy):
            self.x.XNextEvent(self.dpy, ctypes.byref(ev))
            if ev.type != self.MAP_NOTIFY or ev.xmap.override_redirect:
                continue
            name = ctypes.c_char_p()
            if self.x.XFetchName(self.dpy, ev.xmap.window, ctypes.byref(name)) and name.value:
                names.append(name.value.decode("utf-8", "replace"))
            else:
                names.append("")
        return names

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

def tree_pss_kib(pid):
    """Summed PSS of a process and all its descendants, in KiB."""
    total = 0
    for p in tree_pids(pid):
        try:
            with open("/proc/%d/smaps_rollup" % p) as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
                        break
        except OSError:
            pass
    return total

def stop_tree(proc):
    """Kills the program and its WebKit processes and waits until all are gone,
    so that no helper of one run loads the machine during the next."""
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

def catalogue(n):
    rows = "".join(
        "<ENGINE><INDEX>%d</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY>"
        "<NAME>Engine %d</NAME><URL>http://127.0.0.1:9/e%d?q=*</URL><ENCODING>UTF-8</ENCODING>"
        "<ENABLE>1</ENABLE></ENGINE>\n" % (i + 1, i + 1, i) for i in range(n))
    return '<?xml version="1.0" encoding="UTF-8"?>\n<ENGINES>\n' + rows + "</ENGINES>\n"

def launch(watch, cmd, title, markers, cwd, env, memory=None):
    """Runs one start-up; returns {"visible", "input", "idle": ms, "stall", "view": ms}."""
    watch.mapped()
    start = time.monotonic()
    proc = subprocess.Popen(cmd, cwd=cwd, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    got, pending, next_key = {}, b"", None
    try:
        deadline = start + 90
        while time.monotonic() < deadline and not ("idle" in got and "input" in got and
                                                  ("stall" in got or "stall" not in markers)):
            readable, _, _ = select.select([proc.stdout, watch.fd], [], [], 0.02)
            now = time.monotonic()
            if "visible" not in got and any(title in name for name in watch.mapped()):
                got["visible"] = (now - start) * 1000.0
                next_key = now
            if proc.stdout in readable:
                data = os.read(proc.stdout.fileno(), 4096)
                if not data:
                    break
                pending += data
                while b"\n" in pending:
                    line, pending = pending.split(b"\n", 1)
                    line = line.decode("utf-8", "replace")
                    for key, marker in markers.items():
                        if line.startswith(marker) and key not in got:
                            got[key] = (now - start) * 1000.0
                            if key == "stall":
                                parts = line.replace(",", " ").split()
                                got["stall"] = float(parts[3])
                                got["view"] = float(parts[8])
            # The key goes as soon as the window is mapped; again each second
            # in case the first was typed before the window could take it.
            if next_key is not None and "input" not in got and now >= next_key:
                subprocess.run(["xdotool", "key", "q"], stderr=subprocess.DEVNULL)
                next_key = now + 1.0
        if memory is not None and "idle" in got:
            time.sleep(1.0)  # let the web processes settle after the last load
            memory.append(tree_pss_kib(proc.pid))
    finally:
        stop_tree(proc)
    return got

def prepare(n):
    prog = os.path.join(work, "prog%d" % n)
    if not os.path.exists(prog):
        shutil.copytree(stage, prog)
        with open(os.path.join(prog, "conf", "config.xml"), "w") as f:
            f.write(catalogue(n))
    home = os.path.join(work, "home%d" % n)
    shutil.rmtree(home, ignore_errors=True)
    os.makedirs(os.path.join(home, ".config", "Orvane"))
    with open(os.path.join(home, ".config", "Orvane", "Orvane.conf"), "w") as f:
        f.write("ui_language=default\nm_nEnableSuggestion=0\nsugg_host=127.0.0.1:9\n")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"), ORVANE_REPORT_IDLE="1")
    return prog, env

def median(values):
    return statistics.median(values) if values else None

watch = MapWatch()
ours_markers = {"input": "orvane: keyword box took input", "idle": "orvane: idle",
                "stall": "orvane: longest stall"}
base_markers = {"input": "INPUT", "idle": "LOADED"}
rows, mem_rows = [], []
for n in counts:
    prog, env = prepare(n)
    page = os.path.join(prog, "conf", "index.htm")
    ours, base = [], []
    ours_mem, base_mem = [], []
    # One warm-up of each so that both start from a warm disk cache.
    launch(watch, ["./orvane"], "Orvane", ours_markers, prog, env)
    launch(watch, [minimal, str(n), page], "minimal webview", base_markers, prog, env)
    for _ in range(runs):
        prog, env = prepare(n)
        ours.append(launch(watch, ["./orvane"], "Orvane", ours_markers, prog, env,
                           ours_mem if measure_memory else None))
        base.append(launch(watch, [minimal, str(n), page], "minimal webview", base_markers, prog,
                           env, base_mem if measure_memory else None))
    figure = lambda runs_, key: median([r[key] for r in runs_ if key in r])
    rows.append((n, {k: figure(ours, k) for k in ("visible", "input", "idle", "stall", "view")},
                 {k: figure(base, k) for k in ("visible", "input", "idle")}))
    if ours_mem and base_mem:
        mem_rows.append((n, statistics.median(ours_mem), statistics.median(base_mem)))

def cell(v, fmt="%.0f"):
    return "n/a" if v is None else fmt % v

def ratio(a, b):
    return "-" if a is None or not b else "%.2f" % (a / b)

print("start-up, median of %d runs (ms); program against the minimal wxWebView program" % runs)
print("%7s | %-31s | %-24s | %-24s | %s" % ("", "window visible", "keyword box takes input",
                                            "launch to idle", "longest stall"))
print("%7s | %7s %7s %6s %8s | %7s %7s %6s | %7s %7s %6s | %6s %6s" % (
    "engines", "orvane", "minimal", "ratio", "vs 1 eng", "orvane", "minimal", "ratio",
    "orvane", "minimal", "ratio", "stall", "view"))
one = next((o["visible"] for n, o, b in rows if n == 1), None)
for n, o, b in rows:
    print("%7d | %7s %7s %6s %8s | %7s %7s %6s | %7s %7s %6s | %6s %6s" % (
        n, cell(o["visible"]), cell(b["visible"]), ratio(o["visible"], b["visible"]),
        ratio(o["visible"], one), cell(o["input"]), cell(b["input"]), ratio(o["input"], b["input"]),
        cell(o["idle"]), cell(b["idle"]), ratio(o["idle"], b["idle"]),
        cell(o["stall"], "%.1f"), cell(o["view"], "%.1f")))
print("(stall: the program's longest event-loop stall from its first loop turn to idle;")
print(" view: its slowest single web view creation in the same run)")
if mem_rows:
    print("memory at idle, program and its WebKit processes (PSS, MiB)")
    print("%8s %12s %12s %8s" % ("engines", "orvane", "minimal", "ratio"))
    for n, o, b in mem_rows:
        print("%8d %12.1f %12.1f %8.3f" % (n, o / 1024, b / 1024, o / b))
sys.stdout.flush()
PY

NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" dbus-run-session -- \
    python3 "$work/measure.py" "$stage" "$minimal" "$work" "$runs" "$counts" 2> >(grep -v '^dbus-daemon\|SpiRegistry' >&2)
