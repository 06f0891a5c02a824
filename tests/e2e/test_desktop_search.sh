#!/usr/bin/env bash
# End to end: the desktop reaches the window. On a private session bus every
# method of the GNOME Shell search provider and of the KRunner runner is
# called with gdbus against the running program, and the searches that follow
# reach the loopback engine server; --selection and --clipboard search a real
# primary selection and clipboard set with xclip, with and without a window.
# Usage: test_desktop_search.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_desktop_search.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run python3 dbus-run-session timeout gdbus xclip xdotool

e2e_setup "$stage"
e2e_start_engine_server

e2e_catalogue <<EOF
Web|http://$host/web?q=*
Web 2|http://$host/web2?q=*
Img|http://$host/img?q=*||Images
Aus|http://$host/off?q=*|Deutsch||0
EOF
# A group searched before, and one without an enabled engine.
e2e_store <<EOF
[recent_groups]
0=Deutsch\tWeb
1=English\tImages
EOF
mkdir -m 700 "$work/run"

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
set -u
w="$1"
cd "$w/prog"
export XDG_RUNTIME_DIR="$w/run"
wait_for() { local n="$1"; shift; for _ in $(seq "$n"); do "$@" && return 0; sleep 0.2; done; return 1; }
requested() { grep -qxF "$1" "$w/requests.log"; }
note() { echo "$1" >>"$w/results"; }
# call <name> <interface.method> <object path> [args...]: the reply goes to $w/<name>.
call() {
    local name="$1" method="$2" path="$3"; shift 3
    gdbus call --session --timeout 60 --dest io.github.orvane.Orvane --object-path "$path" \
        --method "$method" "$@" >"$w/$name" 2>&1
}
shell=/io/github/orvane/Orvane/SearchProvider
sp=org.gnome.Shell.SearchProvider2
kr=/io/github/orvane/Orvane/KRunner
owned() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner io.github.orvane.Orvane 2>/dev/null | grep -q true
}

# No window yet: the start reads the primary selection itself.
printf '  manta\n\n ray\t' | xclip -selection primary
./orvane --selection >"$w/a.out" 2>&1 &
a=$!
wait_for 150 requested "/web?q=manta%20ray" && note "selection without window"
wait_for 150 owned && note "name owned"

call initial $sp.GetInitialResultSet $shell "['sea', ' otter']"
call sub $sp.GetSubsearchResultSet $shell "['English/Web/sea otter']" "['sea', 'otters']"
call metas $sp.GetResultMetas $shell "['English/Images/sea otter', 'English/Web/sea otter', 'Made/Up/id']"
call activate $sp.ActivateResult $shell "English/Images/sea otter" "['sea', 'otter']" 0
wait_for 150 requested "/img?q=sea%20otter" && note "activated in its group"
# Images is the current group now.
call match org.kde.krunner1.Match $kr "river  dolphin"
call actions org.kde.krunner1.Actions $kr
call krun org.kde.krunner1.Run $kr "English/Web/river dolphin" "''"
wait_for 150 requested "/web?q=river%20dolphin" && note "krunner run"
call launch $sp.LaunchSearch $shell "['kelp', 'forest']" 12345
wait_for 150 requested "/web?q=kelp%20forest" && note "launch in the current group"
call unknown $sp.ActivateResult $shell "English/Web/not handed out" "['x']" 0
# 100 unknown ids of 1 KB with marks that reorder text or end lines: one
# short escaped line, not 100 KB of raw text.
grep -c "unknown search result id" "$w/a.out" >"$w/unknown-before"
call flood $sp.GetResultMetas $shell "$(python3 -c "print('[' + ','.join(\"'x%d\\u202e\\u0085%s'\" % (i, 'y' * 1000) for i in range(100)) + ']')")"
call long $sp.GetInitialResultSet $shell "['$(printf 'w%.0s' $(seq 600))']"

# A dialog is open: the call waits until it closes.
xdotool search --onlyvisible --name '^Orvane' windowactivate --sync 2>/dev/null
xdotool key --clearmodifiers F1
wait_for 50 xdotool search --onlyvisible --name 'About' >/dev/null
call modal $sp.LaunchSearch $shell "['behind', 'dialog']" 0 &
m=$!
sleep 2
requested "/web?q=behind%20dialog" || note "waited for the dialog"
xdotool key --clearmodifiers Escape
wait_for 150 requested "/web?q=behind%20dialog" && note "searched after the dialog"
wait "$m"

# The window runs: a second start reads the selection and hands the words over.
printf 'narwhal\r\n tusk' | xclip -selection primary
timeout 60 ./orvane --selection >"$w/b.out" 2>&1; echo "$?" >>"$w/b.status"
wait_for 150 requested "/web?q=narwhal%20tusk" && note "selection with window"
# An empty primary selection falls back to the clipboard.
printf '' | xclip -selection primary
printf 'beluga' | xclip -selection clipboard
timeout 60 ./orvane --selection >>"$w/b.out" 2>&1; echo "$?" >>"$w/b.status"
wait_for 150 requested "/web?q=beluga" && note "selection falls back to the clipboard"
printf 'orca pod' | xclip -selection clipboard
printf 'not this' | xclip -selection primary
timeout 60 ./orvane --clipboard >>"$w/b.out" 2>&1; echo "$?" >>"$w/b.status"
wait_for 150 requested "/web?q=orca%20pod" && note "clipboard"
requested "/web?q=not%20this" && note "clipboard read the selection"
# Nothing selected, or a new search: the window comes up and searches nothing.
# The clipboard search's other page starts after the first: let it come in.
wait_for 150 requested "/web2?q=orca%20pod"
printf '' | xclip -selection primary
printf '' | xclip -selection clipboard
before=$(wc -l <"$w/requests.log")
timeout 60 ./orvane --selection >>"$w/b.out" 2>&1; echo "$?" >>"$w/b.status"
timeout 60 ./orvane --new-search >>"$w/b.out" 2>&1; echo "$?" >>"$w/b.status"
sleep 2
[ "$(wc -l <"$w/requests.log")" -eq "$before" ] && note "nothing searched"
kill -0 "$a" 2>/dev/null && note "window alive"
kill "$a"; wait "$a" 2>/dev/null
exit 0
EOF
chmod +x "$work/drive.sh"
: >"$work/results"

e2e_timeout=400 e2e_display "$work/drive.sh" "$work"

fail=0
check() {
    if grep -qxF "$1" "$work/results"; then echo "ok: $2"; else echo "FAIL: $2"; fail=1; fi
}
# expect <file> <pattern> <what>: the reply in <file> matches the extended regex.
expect() {
    if grep -qE -- "$2" "$work/$1" 2>/dev/null; then echo "ok: $3"; else echo "FAIL: $3"; fail=1; fi
}
check "selection without window" "--selection without a window searches the primary selection"
check "name owned" "the running window owns the bus name"
expect initial "^\(\['English/Web/sea otter', 'English/Images/sea otter'\],\)$" \
    "initial results: the current group, then a recent one; none for a group without engines"
expect sub "^\(\['English/Web/sea otters', 'English/Images/sea otters'\],\)$" "subsearch results"
expect metas "'name': <'Search “sea otter”'>" "result name"
expect metas "'description': <'English / Images — 1 engine'>" "description of a one-engine group"
expect metas "'description': <'English / Web — 2 engines'>" "description of a two-engine group"
expect metas "'gicon': <'orvane'>" "result icon"
if [ "$(grep -o "'id'" "$work/metas" | wc -l)" -eq 2 ]; then
    echo "ok: metas skip an id never handed out"
else
    echo "FAIL: metas for an unknown id"; fail=1
fi
check "activated in its group" "ActivateResult searches in the result's group"
expect match "^\(\[\('English/Images/river dolphin', '[^']*', 'orvane', 30, 0\.(7|69999[0-9]*), @a\{sv\} \{\}\), \('English/Web/river dolphin', '[^']*', 'orvane', 30, 0\.[0-6][0-9]*, \{\}\)\],\)$" \
    "Match: the current group first at 0.7, the other lower, type 30"
expect actions '^\(@a\(sss\) \[\],\)$' "Actions: none"
check "krunner run" "Run searches in the match's group"
check "launch in the current group" "LaunchSearch searches in the current group"
if grep -q "not%20handed%20out" "$work/requests.log"; then
    echo "FAIL: an unknown id was searched"; fail=1
elif grep -q "unknown search result id" "$work/a.out"; then
    echo "ok: an unknown id is ignored with a log line"
else
    echo "FAIL: no log line for an unknown id"; fail=1
fi
if [ "$(grep -c "unknown search result id" "$work/a.out")" -eq $(($(cat "$work/unknown-before") + 1)) ] &&
    grep -q 'ignoring 100 unknown search result ids, the first "x0\\u202e\\x85yyy' "$work/a.out" &&
    ! grep -q $'\u202e' "$work/a.out" && [ "$(wc -c <"$work/a.out")" -lt 20000 ]; then
    echo "ok: a flood of unknown ids is one short escaped line"
else
    echo "FAIL: unknown ids logged raw or one line each"; grep -c "unknown search result id" "$work/a.out"; fail=1
fi
if grep -qE "^\(\['English/Web/w{512}', 'English/Images/w{512}'\],\)$" "$work/long"; then
    echo "ok: a long query is cut at 512 characters"
else
    echo "FAIL: long query"; fail=1
fi
check "waited for the dialog" "a call waits while a modal dialog is open"
check "searched after the dialog" "the call runs once the dialog closed"
check "selection with window" "a second start hands the selected text to the running window"
check "selection falls back to the clipboard" "an empty primary selection falls back to the clipboard"
check "clipboard" "--clipboard searches the clipboard"
if grep -qxF "clipboard read the selection" "$work/results"; then
    echo "FAIL: --clipboard searched the primary selection"; fail=1
fi
check "nothing searched" "nothing selected and --new-search search nothing"
if [ "$(tr -d '\n' <"$work/b.status" 2>/dev/null)" = 00000 ]; then
    echo "ok: the second starts exit 0"
else
    echo "FAIL: second start statuses: $(tr '\n' ' ' <"$work/b.status" 2>/dev/null)"; fail=1
fi
check "window alive" "the window goes on"
if [ "$fail" -ne 0 ]; then
    for f in requests.log results a.out b.out initial sub metas match actions krun launch unknown long modal; do
        echo "--- $f"; tail -n 20 "$work/$f" 2>/dev/null | cut -c1-400 || true
    done
fi
exit "$fail"
