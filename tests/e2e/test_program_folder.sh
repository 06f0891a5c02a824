#!/usr/bin/env bash
# End to end: started by its path from another folder, the program reads and
# writes what lives beside it (the catalogue, the start page, the reply file,
# pictures and translations), never the current folder.
# Usage: test_program_folder.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_program_folder.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run xdotool python3 dbus-run-session

e2e_setup "$stage"
e2e_start_engine_server

e2e_catalogue <<EOF
Web|http://$host/web?q=*
EOF
e2e_store </dev/null
mkdir "$work/elsewhere"

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
set -u
. "$(dirname "$0")/e2e_lib.sh"
cd "$1/elsewhere"
../prog/orvane otter >"$1/orvane.out" 2>&1 &
app=$!
for _ in $(seq 150); do
    grep -q . "$1/requests.log" && break
    sleep 0.2
done
e2e_wait_window 'Orvane'
e2e_quit "$app"
exit 0
EOF
chmod +x "$work/drive.sh"

e2e_display "$work/drive.sh" "$work"

fail=0
if grep -qxF "/web?q=otter" "$work/requests.log"; then
    echo "ok: the catalogue beside the program was read"
else
    echo "FAIL: no search: the catalogue beside the program was not read"
    fail=1
fi
if [ -z "$(ls -A "$work/elsewhere")" ]; then
    echo "ok: nothing written into the current folder"
else
    echo "FAIL: the current folder got: $(ls -A "$work/elsewhere")"
    fail=1
fi
if [ "$fail" -ne 0 ]; then
    echo "--- requests"; cat "$work/requests.log"
    echo "--- program output"; tail -n 20 "$work/orvane.out" 2>/dev/null || true
fi
exit "$fail"
