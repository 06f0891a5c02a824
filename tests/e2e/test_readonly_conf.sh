#!/usr/bin/env bash
# End to end: the program's conf/ folder is read-only for the user who runs it.
# An engine is added and the program quits: the catalogue on disk must stay
# exactly as it was (no truncation, no stray temporary file), the program must
# still close, and the preferences must still be saved.
# Usage: test_readonly_conf.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_readonly_conf.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run xdotool dbus-run-session setpriv
e2e_setup "$stage"
chmod -R a-w "$work/prog/conf"
before="$(cd "$work/prog/conf" && md5sum ./* | sort)"

home="$work/home"
printf 'ui_language=default\nm_nEnableSuggestion=0\nm_nShowEngineManager=1\n' \
    >"$home/.config/Orvane/Orvane.conf"
e2e_as_user

cat >"$work/drive.sh" <<'EOF2'
#!/usr/bin/env bash
# Inside Xvfb: add an engine through the engine manager, then quit; answer
# whatever the program says about the catalogue with Enter.
set -u
. "$(dirname "$0")/e2e_lib.sh"
cd "$1/prog"
./orvane >"$2/orvane.out" 2>&1 &
app=$!
e2e_wait_window '^Orvane' || { echo "no window" >&2; kill "$app"; exit 1; }
sleep 2
xdotool key --clearmodifiers alt+a
e2e_wait_window 'Engine info dialog' || echo "no engine dialog" >&2
sleep 0.5
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 'Readonlytest'
xdotool key --clearmodifiers alt+o
sleep 1
if xdotool search --onlyvisible --name '^Orvane$' >/dev/null 2>&1; then
    echo "a window titled Orvane before quitting" >"$2/title-clash"
fi
xdotool key --clearmodifiers alt+x
for _ in $(seq 10); do
    sleep 0.5
    kill -0 "$app" 2>/dev/null || break
    # The message box about the catalogue carries the program's name as title.
    if xdotool search --onlyvisible --name '^Orvane$' >/dev/null 2>&1; then
        echo shown >"$2/message-shown"
    fi
    xdotool key --clearmodifiers Return
done
e2e_wait_exit "$app" || echo "still running" >"$2/still-running"
echo "$app_status" >"$2/exit-code"
exit 0
EOF2
chmod 755 "$work/drive.sh"
mkdir -p "$work/out"
chmod 777 "$work/out"

e2e_display "$work/drive.sh" "$work" "$work/out"

fail=0
after="$(cd "$work/prog/conf" && md5sum ./* | sort)"
if [ "$before" = "$after" ]; then
    echo "ok: conf/ is exactly as it was"
else
    echo "FAIL: conf/ changed"; echo "$before"; echo "$after"
    fail=1
fi
if [ -e "$work/out/still-running" ]; then
    echo "FAIL: the program did not close"
    fail=1
else
    echo "ok: the program closed (exit code $(cat "$work/out/exit-code" 2>/dev/null))"
fi
if [ -e "$work/out/message-shown" ] && [ ! -e "$work/out/title-clash" ]; then
    echo "ok: the program said the catalogue could not be saved"
else
    echo "FAIL: no message about the unsaved catalogue (was the engine added?)"
    fail=1
fi
if grep -q "m_nShowEngineManager" "$home/.config/Orvane/Orvane.conf" && \
   grep -q "^x=" "$home/.config/Orvane/Orvane.conf"; then
    echo "ok: the preferences were saved"
else
    echo "FAIL: the preferences were not saved"
    fail=1
fi
if [ "$fail" -ne 0 ]; then
    echo "--- program output"; tail -n 20 "$work/out/orvane.out" 2>/dev/null || true
fi
exit "$fail"
