#!/usr/bin/env bash
# End to end, two real processes: while a window runs, --urls, --import and
# --export go through it. The answers reflect the window's catalogue (not the
# file), an import reaches the window at once and the file before the command
# returns, the window's save at exit keeps it, and an import handed over
# during a search waits until the search has ended.
# Usage: test_commands_through_window.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_commands_through_window.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run python3 dbus-run-session timeout xdotool

e2e_setup "$stage"

# The engine server: /slow answers after 4 s and logs "answered /slow..." then.
e2e_start_engine_server

e2e_catalogue <<EOF
Slow|http://$host/slow?q=*
EOF
cat >"$work/home/.config/Orvane/Orvane.conf" <<EOF
ui_language=default
m_strLang=English
m_strCategory=Web
m_nEnableSuggestion=0
EOF
cat >"$work/d.xml" <<EOF
<OpenSearchDescription xmlns="http://a9.com/-/spec/opensearch/1.1/"><ShortName>Added</ShortName>
<Url type="text/html" template="http://$host/added?q={searchTerms}"/></OpenSearchDescription>
EOF
sed 's/Added/Later/g; s/added?/later?/' "$work/d.xml" >"$work/later.xml"
mkdir -m 700 "$work/run"

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
set -u
. "$(dirname "$0")/e2e_lib.sh"
w="$1"
cd "$w"
export XDG_RUNTIME_DIR="$w/run"
wait_for() { local n="$1"; shift; for _ in $(seq "$n"); do "$@" && return 0; sleep 0.2; done; return 1; }
logged() { grep -qxF "$1" "$w/requests.log"; }
cmd() { timeout 60 "$w/prog/orvane" "$@"; }

# The socket is up before the window has read the catalogue: wait for the
# window's own report that it is idle.
idle() { grep -q "idle after start" "$w/window.out"; }
(cd "$w/prog" && ORVANE_REPORT_IDLE=1 exec ./orvane) >"$w/window.out" 2>&1 &
win=$!
wait_for 300 idle || echo "no window" >>"$w/problems"

# The file gains an engine the window never loaded: answers must not show it.
sed -i 's|</ENGINES>|<ENGINE><INDEX>2</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>Disk</NAME><URL>http://disk/?q=*</URL></ENGINE></ENGINES>|' "$w/prog/conf/config.xml"
cmd --urls sea otter >"$w/urls1.out"; echo $? >"$w/urls1.status"
(cd "$w" && cmd --import d.xml >"$w/import1.out"; echo $? >"$w/import1.status")
cmd --urls sea otter >"$w/urls2.out"
cp "$w/prog/conf/config.xml" "$w/after-import.xml"
cmd --export "$w/export.xml" >"$w/export.out"; echo $? >"$w/export.status"

# A search that takes 4 s: an import handed over meanwhile waits for its end.
cmd searching >/dev/null 2>&1
wait_for 100 logged "/slow?q=searching"
cmd --import "$w/later.xml" >"$w/import2.out"; echo $? >"$w/import2.status"
grep -q "^answered /slow?q=searching" "$w/requests.log" && echo "after search" >"$w/import2.order"

e2e_quit "$win"
exit 0
EOF
chmod +x "$work/drive.sh"

e2e_timeout=300 e2e_display "$work/drive.sh" "$work"

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
check "the window answers --urls from what it holds" \
    '[ "$(cat "$work/urls1.out")" = "http://$host/slow?q=sea%20otter" ] && [ "$(cat "$work/urls1.status")" = 0 ]'
check "--import through the window" \
    '[ "$(cat "$work/import1.out")" = "$(printf "added\tAdded\thttp://$host/added?q=*")" ] && [ "$(cat "$work/import1.status")" = 0 ]'
check "the window holds the import at once" \
    '[ "$(cat "$work/urls2.out")" = "$(printf "http://$host/slow?q=sea%%20otter\nhttp://$host/added?q=sea%%20otter")" ]'
check "the import is on disk when the command returns" 'grep -q "<NAME>Added</NAME>" "$work/after-import.xml"'
check "--export writes what the window holds" \
    'grep -q "<NAME>Added</NAME>" "$work/export.xml" && ! grep -q "<NAME>Disk</NAME>" "$work/export.xml"'
check "an import during a search waits for its end" \
    '[ -f "$work/import2.order" ] && grep -q "^added	Later" "$work/import2.out"'
check "the window's save at exit keeps both imports" \
    'grep -q "<NAME>Added</NAME>" "$work/prog/conf/config.xml" && grep -q "<NAME>Later</NAME>" "$work/prog/conf/config.xml"'
if [ "$fail" -ne 0 ]; then
    for f in urls1.out import1.out urls2.out import2.out window.out problems; do
        echo "--- $f"; cat "$work/$f" 2>/dev/null || true
    done
    echo "--- requests"; cat "$work/requests.log"
fi
exit "$fail"
