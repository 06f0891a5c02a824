#!/usr/bin/env bash
# Signal stress: SIGHUP, SIGTERM or SIGINT sent to the real program at a
# random moment of start-up, of a 40-engine search, of a page's download
# question, or of a flood of desktop search calls. Every run must end with
# status 0 or by the signal itself, within 20 s, and never by a crash.
# Prints a summary with the slowest end after the signal per scenario; exits
# 1 when any run ended otherwise. STRESS_SCENARIOS picks scenarios (default
# "startup search question flood"), STRESS_SEED the random sequence,
# STRESS_FLOODERS the callers of the flood (default 4). For a hung run, each
# thread's kernel state and, when gdb is installed, its stacks are written
# beside the scratch folder.
#
#   tests/stress/signal_stress.sh <stage dir> [runs]   (100 runs unless given)
set -euo pipefail
stage="$(cd "${1:?usage: signal_stress.sh <stage dir> [runs]}" && pwd)"
runs="${2:-100}"
[ -x "$stage/orvane" ] || { echo "no program in $stage" >&2; exit 1; }
for tool in xvfb-run dbus-run-session gdbus xdotool python3; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cat >"$work/stress.py" <<'PY'
import http.server, os, random, shutil, signal, socketserver, subprocess, sys, threading, time

stage, work, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])

class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        try:
            if self.path.startswith("/attachment"):
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Disposition", 'attachment; filename="file.bin"')
                self.end_headers()
                for _ in range(300):
                    self.wfile.write(b"x" * 4096)
                    self.wfile.flush()
                    time.sleep(0.1)
                return
            body = b"<html><head><title>result</title></head><body>result</body></html>"
            if self.path.startswith("/download"):
                body = body.replace(b"</body>", b"<iframe style='display:none' src='/attachment'></iframe></body>")
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        except OSError:
            pass
    def log_message(self, *args):
        pass

class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True

server = Server(("127.0.0.1", 0), Handler)
threading.Thread(target=server.serve_forever, daemon=True).start()
host = "127.0.0.1:%d" % server.server_address[1]

def program(name, paths):
    prog = os.path.join(work, name)
    shutil.copytree(stage, prog)
    engines = "".join(
        "<ENGINE><INDEX>%d</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>E%d</NAME>"
        "<URL>http://%s%s?q=*</URL><ENCODING>UTF-8</ENCODING><ENABLE>1</ENABLE></ENGINE>\n" % (i + 1, i, host, p)
        for i, p in enumerate(paths))
    with open(os.path.join(prog, "conf", "config.xml"), "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<ENGINES>\n' + engines + "</ENGINES>\n")
    return prog

prog40 = program("prog40", ["/e%d" % i for i in range(40)])
progdl = program("progdl", ["/download"])

def visible(pattern):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                         capture_output=True, text=True).stdout
    return bool(out.strip())

def owned():
    out = subprocess.run(["gdbus", "call", "--session", "--dest", "org.freedesktop.DBus", "--object-path",
                          "/org/freedesktop/DBus", "--method", "org.freedesktop.DBus.NameHasOwner",
                          "io.github.orvane.Orvane"], capture_output=True, text=True).stdout
    return "true" in out

def wait_for(predicate, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.1)
    return False

def flood(stop):
    while not stop.is_set():
        subprocess.run(["gdbus", "call", "--session", "--timeout", "5", "--dest", "io.github.orvane.Orvane",
                        "--object-path", "/io/github/orvane/Orvane/SearchProvider", "--method",
                        "org.gnome.Shell.SearchProvider2.GetInitialResultSet", "['sea', 'otter %d']" % random.randint(0, 999)],
                       capture_output=True)

crashes = {signal.SIGSEGV, signal.SIGABRT, signal.SIGBUS, signal.SIGTRAP, signal.SIGFPE, signal.SIGILL}
outcomes, failures, slowest = {}, [], {}
rng = random.Random(int(os.environ.get("STRESS_SEED", time.time())))
for run in range(runs):
    scenario = rng.choice(os.environ.get("STRESS_SCENARIOS", "startup search question flood").split())
    sig = rng.choice([signal.SIGHUP, signal.SIGTERM, signal.SIGINT])
    home = os.path.join(work, "home")
    shutil.rmtree(home, ignore_errors=True)
    os.makedirs(os.path.join(home, ".config", "Orvane"))
    with open(os.path.join(home, ".config", "Orvane", "Orvane.conf"), "w") as f:
        f.write("ui_language=default\nm_strLang=English\nm_strCategory=Web\nm_nEnableSuggestion=0\nsugg_host=%s\n" % host)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"))
    env.pop("XDG_RUNTIME_DIR", None)
    args = ["./orvane"] + ([] if scenario == "startup" else ["stress %d" % run])
    # Started from nohup or a background job, this script's children would
    # inherit SIGHUP or SIGINT ignored, and a signal before the program's own
    # handlers would be lost: the program starts with the usual dispositions.
    proc = subprocess.Popen(args, cwd=progdl if scenario == "question" else prog40, env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            preexec_fn=lambda: [signal.signal(s, signal.SIG_DFL)
                                                for s in (signal.SIGHUP, signal.SIGINT, signal.SIGTERM)])
    stop = threading.Event()
    flooders = []
    if scenario == "question":
        wait_for(lambda: visible("^Orvane$") and visible(" - Orvane$"), 30)
    elif scenario == "flood":
        if wait_for(owned, 30):
            flooders = [threading.Thread(target=flood, args=(stop,)) for _ in range(int(os.environ.get("STRESS_FLOODERS", "4")))]
            for t in flooders:
                t.start()
    time.sleep(rng.uniform(0, 2.5 if scenario in ("startup", "search") else 1.0))
    if proc.poll() is None:
        proc.send_signal(sig)
    signalled = time.monotonic()
    try:
        status = proc.wait(timeout=20)
    except subprocess.TimeoutExpired:
        # Where it hangs: what the kernel says of each thread (readable even
        # when a debugger cannot attach, e.g. to a process already exiting),
        # then the debugger's stacks when one is at hand.
        report = []
        tasks = "/proc/%d/task" % proc.pid
        for task in sorted(os.listdir(tasks)) if os.path.isdir(tasks) else []:
            for item in ("stat", "wchan", "stack"):
                try:
                    with open("/proc/%d/task/%s/%s" % (proc.pid, task, item)) as f:
                        report.append("task %s %s: %s" % (task, item, f.read().strip()))
                except OSError as error:
                    report.append("task %s %s: %s" % (task, item, error))
        if shutil.which("gdb"):
            try:
                trace = subprocess.run(["gdb", "-p", str(proc.pid), "-batch", "-ex", "thread apply all bt 40"],
                                       capture_output=True, text=True, timeout=120)
                report += [trace.stdout, trace.stderr]
            except subprocess.TimeoutExpired:
                report.append("gdb did not finish within 120 s")
        with open(os.path.join(work, "..", "signal-stress-hang-%d.txt" % run), "w") as f:
            f.write("\n".join(report))
        proc.kill()
        proc.wait()
        status = "hung"
    slowest[scenario] = max(slowest.get(scenario, 0.0), time.monotonic() - signalled)
    stop.set()
    for t in flooders:
        t.join()
    ok = status == 0 or status == -sig
    outcome = "%s %s: %s" % (scenario, signal.Signals(sig).name,
                             status if status == "hung" or status >= 0 else signal.Signals(-status).name)
    outcomes[outcome] = outcomes.get(outcome, 0) + 1
    if not ok or (status != "hung" and status < 0 and -status in crashes):
        failures.append("run %d: %s" % (run, outcome))
print("signal stress: %d runs" % runs)
for outcome in sorted(outcomes):
    print("  %-40s %d" % (outcome, outcomes[outcome]))
for scenario in sorted(slowest):
    print("  slowest end after the signal, %s: %.1f s" % (scenario, slowest[scenario]))
for failure in failures:
    print("FAIL: " + failure)
print("failures: %d" % len(failures))
sys.exit(1 if failures else 0)
PY

NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" dbus-run-session -- \
    python3 "$work/stress.py" "$stage" "$work" "$runs" 2> >(grep -v '^dbus-daemon' >&2)
