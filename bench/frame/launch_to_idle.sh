#!/usr/bin/env bash
# Launch-to-idle time of the real program against a minimal wxWebView program
# that opens the same number of views on the same local page. Prints figures
# (medians of several runs) and their ratio; never pass/fail.
#
#   bench/frame/launch_to_idle.sh <build dir> [runs] [engine counts...]
#
# With ORVANE_BENCH_MEMORY=1 it also reads, at idle, the memory of each
# program and every process below it (summed PSS from smaps_rollup: the
# WebKit web and network processes included) and prints that ratio too.
#
# Idle for the program: the window is shown, the catalogue is loaded, every
# result page has loaded its start page and none is busy (ORVANE_REPORT_IDLE=1
# makes it print one line then). The baseline is bench_minimal_webview from
# the same build (configure with -DORVANE_BENCH=ON).
set -euo pipefail

build="$(cd "${1:?usage: launch_to_idle.sh <build dir> [runs]}" && pwd)"
runs="${2:-5}"
shift $(( $# < 2 ? $# : 2 ))
counts="${*:-5 20}"
stage="$build/stage"
minimal="$build/bench/browser/bench_minimal_webview"
[ -x "$stage/orvane" ] || { echo "no program in $stage" >&2; exit 1; }
[ -x "$minimal" ] || { echo "no $minimal (configure with -DORVANE_BENCH=ON)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cat >"$work/measure.py" <<'PY'
import os, shutil, statistics, subprocess, sys, time

stage, minimal, work, runs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
counts = [int(c) for c in sys.argv[5].split()]
measure_memory = os.environ.get("ORVANE_BENCH_MEMORY") == "1"

def tree_pss_kib(pid):
    """Summed PSS of a process and all its descendants, in KiB."""
    pids, seen = [pid], set()
    total = 0
    while pids:
        p = pids.pop()
        if p in seen:
            continue
        seen.add(p)
        try:
            with open("/proc/%d/smaps_rollup" % p) as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
                        break
            with open("/proc/%d/task/%d/children" % (p, p)) as f:
                pids.extend(int(c) for c in f.read().split())
        except OSError:
            pass
    return total

def catalogue(n):
    rows = "".join(
        "<ENGINE><INDEX>%d</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY>"
        "<NAME>Engine %d</NAME><URL>http://127.0.0.1:9/e%d?q=*</URL><ENCODING>UTF-8</ENCODING>"
        "<ENABLE>1</ENABLE></ENGINE>\n" % (i + 1, i + 1, i) for i in range(n))
    return '<?xml version="1.0" encoding="UTF-8"?>\n<ENGINES>\n' + rows + "</ENGINES>\n"

def timed(cmd, marker, cwd, env, memory=None):
    start = time.monotonic()
    proc = subprocess.Popen(cmd, cwd=cwd, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True)
    elapsed = None
    try:
        deadline = start + 60
        for line in proc.stdout:
            if line.startswith(marker):
                elapsed = (time.monotonic() - start) * 1000.0
                if memory is not None:
                    time.sleep(1.0)  # let the web processes settle after the last load
                    memory.append(tree_pss_kib(proc.pid))
                break
            if time.monotonic() > deadline:
                break
    finally:
        proc.kill()
        proc.wait()
    return elapsed

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
               ORVANE_REPORT_IDLE="1")
    return prog, env

print("launch to idle, median of %d runs (ms)" % runs)
print("%8s %12s %12s %8s" % ("engines", "orvane", "minimal", "ratio"))
mem_rows = []
for n in counts:
    prog, env = prepare(n)
    page = os.path.join(prog, "conf", "index.htm")
    ours, base = [], []
    ours_mem, base_mem = [], []
    # One warm-up of each so that both start from a warm disk cache.
    timed(["./orvane"], "orvane: idle", prog, env)
    timed([minimal, str(n), page], "LOADED", prog, env)
    for _ in range(runs):
        prog, env = prepare(n)
        t = timed(["./orvane"], "orvane: idle", prog, env,
                  ours_mem if measure_memory else None)
        if t is not None:
            ours.append(t)
        t = timed([minimal, str(n), page], "LOADED", prog, env,
                  base_mem if measure_memory else None)
        if t is not None:
            base.append(t)
    if ours_mem and base_mem:
        mem_rows.append((n, statistics.median(ours_mem), statistics.median(base_mem)))
    if not ours or not base:
        print("%8d %12s %12s %8s" % (n, "n/a" if not ours else "%.0f" % statistics.median(ours),
                                     "n/a" if not base else "%.0f" % statistics.median(base), "-"))
        continue
    o, b = statistics.median(ours), statistics.median(base)
    print("%8d %12.0f %12.0f %8.2f" % (n, o, b, o / b))
if mem_rows:
    print("memory at idle, program and its WebKit processes (PSS, MiB)")
    print("%8s %12s %12s %8s" % ("engines", "orvane", "minimal", "ratio"))
    for n, o, b in mem_rows:
        print("%8d %12.1f %12.1f %8.3f" % (n, o / 1024, b / 1024, o / b))
sys.stdout.flush()
PY

NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- \
    python3 "$work/measure.py" "$stage" "$minimal" "$work" "$runs" "$counts" 2> >(grep -v '^dbus-daemon\|SpiRegistry' >&2)
