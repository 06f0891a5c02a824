#!/usr/bin/env bash
# End to end: `orvane --check` against hostile pages. A page that spins in its
# scripts, or hides a million links, gets no verdict of results; print() and
# downloads a page starts by itself are refused, nothing lands in the home
# folder; the wait follows page_timeout; names are printed escaped; an
# unreadable health file is kept aside; the pages' processes end with the
# check, also when a quit signal ends it.
# Usage: test_check_hostile.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_check_hostile.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run python3 dbus-run-session timeout

e2e_setup "$stage"
e2e_start_engine_server
# Written by hand: U+0085 would split a line for the catalogue helper.
engine() { echo "<ENGINE><INDEX>$1</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>$2</NAME><URL>http://$host/$3?q=*</URL><ENABLE>1</ENABLE></ENGINE>"; }
{
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo '<ENGINES>'
    engine 1 Good results
    engine 2 "Spin $(printf '\xc2\x9b')2J" spin
    engine 3 "Hidden $(printf '\xc2\x85')line" hidden
    engine 4 "Print $(printf '\xe2\x80\xae')" print
    engine 5 Frame download
    engine 6 Nav dlnav
    engine 7 Attr dlattr
    engine 8 Footer botfooter
    engine 9 Stream hang
    echo '</ENGINES>'
} >"$work/prog/conf/config.xml"
e2e_store <<<'page_timeout=2'
printf '{"version":1,"engines":[{"name":"Go' >"$work/home/.config/Orvane/engine_health.json"
cp "$work/home/.config/Orvane/engine_health.json" "$work/truncated"
mkdir -m 700 "$work/run"

cat >"$work/drive.sh" <<'EOF'
#!/usr/bin/env bash
set -u
w="$1"
cd "$w"
export XDG_RUNTIME_DIR="$w/run" ORVANE_E2E_MARK="$w"
# The processes this run started, by the mark they inherit.
marked() {
    local p
    for p in $(grep -lsz "^ORVANE_E2E_MARK=$w\$" /proc/[0-9]*/environ | cut -d/ -f3); do
        # The look-up's own grep and cut are gone by now.
        [ -s "/proc/$p/cmdline" ] && echo "$p $(tr '\0' ' ' <"/proc/$p/cmdline")"
    done
    return 0
}
timeout 150 "$w/prog/orvane" --check sea otter >"$w/check.out" 2>"$w/check.err"; echo $? >"$w/check.status"
sleep 3
marked >"$w/left.after.check"
timeout 60 "$w/prog/orvane" --check --language English x >/dev/null 2>&1 &
sleep 4
kill -TERM $!
wait $!; echo $? >"$w/term.status"
sleep 5
marked >"$w/left.after.term"
exit 0
EOF
chmod +x "$work/drive.sh"
touch "$work/started"
e2e_timeout=300 e2e_display "$work/drive.sh" "$work"

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
line() { grep "^[a-z-]*	$1" "$work/check.out" || true; }
check "the check ended, not held by a print dialog" '[ "$(cat "$work/check.status")" = 1 ]'
# Whether the probe looks before the page starts to spin is a race: either
# it saw the results, or the page did not respond; never results unseen.
check "a page that spins is never results it was not seen to have" \
    '[ "$(line "Spin" | cut -f1,7)" = "$(printf "failed\tthe page did not respond")" ] ||
     [ "$(line "Spin" | cut -f1,7)" = "$(printf "results\t8 result links")" ]'
check "a million hidden links are no results" '[ "$(line "Hidden" | cut -f1)" = empty ]'
check "a page that prints still gets its verdict" '[ "$(line "Print" | cut -f1)" = results ]'
check "a challenge above footer links is a bot check" '[ "$(line "Footer" | cut -f1)" = bot-check ]'
check "the wait follows page_timeout" \
    '[ "$(line "Stream" | cut -f1)" = failed ] && [ "$(line "Stream" | cut -f6)" -lt 40000 ]'
check "names are printed escaped" \
    'grep -qF "Spin \\x9b2J" "$work/check.out" && grep -qF "Hidden \\x85line" "$work/check.out" &&
     grep -qF "Print \\u202e" "$work/check.out" && ! grep -q "$(printf "\xc2[\x80-\x9f]")" "$work/check.out"'
check "one line per engine" '[ "$(wc -l <"$work/check.out")" = 9 ]'
# Anything new beside the check's own files and the store is a download.
find "$work/home" "$work" -maxdepth 1 -newer "$work/started" -type f ! -name "*.log" ! -name "*.out" \
    ! -name "*.err" ! -name "*.status" ! -name "left.*" ! -name new.files >"$work/new.files"
check "nothing downloaded into the home folder" '[ ! -s "$work/new.files" ] && [ ! -e "$work/home/Downloads" ]'
check "the unreadable health file is kept aside and said so" \
    'cmp -s "$work/truncated" "$work/home/.config/Orvane/engine_health.json.bak" &&
     grep -q "could not be read" "$work/check.err" && grep -q "\"results\"" "$work/home/.config/Orvane/engine_health.json"'
check "no WebKit error lines" '! grep -q "ERROR \*\*" "$work/check.err"'
check "no page process outlives the check" '[ ! -s "$work/left.after.check" ]'
check "a quit signal ends the check as it ends a program" '[ "$(cat "$work/term.status")" = 143 ]'
check "and no page process outlives it" '[ ! -s "$work/left.after.term" ]'
if [ "$fail" -ne 0 ]; then
    for f in check.out check.err check.status term.status left.after.check left.after.term new.files; do
        echo "--- $f"; cat "$work/$f" 2>/dev/null || true
    done
    echo "--- home"; find "$work/home" -maxdepth 3 -not -path "*/.cache/*" | head -50
    echo "--- requests"; cat "$work/requests.log"
fi
exit "$fail"
