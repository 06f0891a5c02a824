#!/usr/bin/env bash
# End to end: the real program with 40 engines is started with words to search
# and quit (Alt+X) as soon as its window shows, while most result pages have
# no web view yet. The history must hold the words, the catalogue must be
# unchanged, and none of the program's WebKit processes may outlive it.
# Usage: test_close_during_startup.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_close_during_startup.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run xdotool python3 dbus-run-session
e2e_setup "$stage"
e2e_start_engine_server

{
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo '<ENGINES>'
    for i in $(seq 40); do
        echo "<ENGINE><INDEX>$i</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>E$i</NAME><URL>http://$host/e$i?q=*</URL><ENCODING>UTF-8</ENCODING><ENABLE>1</ENABLE></ENGINE>"
    done
    echo '</ENGINES>'
} >"$work/prog/conf/config.xml"
catalogue="$(md5sum <"$work/prog/conf/config.xml")"
printf 'ui_language=default\nm_nEnableSuggestion=0\nsugg_host=%s\nm_nKeywordNum=1\n[keyword]\n0=older\n' \
    "$host" >"$work/home/.config/Orvane/Orvane.conf"

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
# Inside Xvfb: start, quit as soon as the window is mapped, and list every
# process below the program just before it goes.
set -u
. "$(dirname "$0")/e2e_lib.sh"
cd "$1/prog"
./orvane blue whale >"$1/orvane.out" 2>&1 &
app=$!
for _ in $(seq 500); do
    xdotool search --onlyvisible --name 'Orvane$' >/dev/null 2>&1 && break
    sleep 0.02
done
# The window can map before WebKit has started its first process.
for _ in $(seq 250); do
    [ -n "$(pgrep -P "$app")" ] && break
    sleep 0.02
done
# Listed before the quit, which can be over before a listing after it.
e2e_tree "$app" | tail -n +2 >"$1/helpers"
xdotool key --clearmodifiers alt+x
e2e_tree "$app" | tail -n +2 >>"$1/helpers"
e2e_wait_exit "$app" || echo "still running" >"$1/stuck"
# The web and network processes end with the program's connection to them.
e2e_wait_gone $(cat "$1/helpers")
echo "$alive" >"$1/left"
EOF
chmod +x "$work/drive.sh"

e2e_display "$work/drive.sh" "$work"

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
check "the program quit" '[ ! -e "$work/stuck" ] && [ -e "$work/left" ]'
check "it had WebKit processes to end" '[ -s "$work/helpers" ]'
check "no WebKit process outlived it" '[ -z "$(tr -d " \n" <"$work/left")" ]'
check "the searched words are in the history" \
    'grep -qx "0=blue whale" "$work/home/.config/Orvane/Orvane.conf" && grep -qx "1=older" "$work/home/.config/Orvane/Orvane.conf"'
check "the catalogue is unchanged" '[ "$(md5sum <"$work/prog/conf/config.xml")" = "$catalogue" ]'
if [ "$fail" -ne 0 ]; then
    echo "--- left: $(cat "$work/left" 2>/dev/null)"
    echo "--- program output"; tail -n 20 "$work/orvane.out" 2>/dev/null || true
fi
exit "$fail"
