#!/usr/bin/env bash
# End to end: keyword shortcuts on the command line without a display.
# --urls prints only the engines the "!x" tokens select, in the first one's
# group whatever the options say; an import keeps free shortcuts and drops
# taken ones with a note; an export writes them.
# Usage: test_shortcut_commands.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_shortcut_commands.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_setup "$stage"

cat >"$work/prog/conf/config.xml" <<'EOF2'
<?xml version="1.0" encoding="UTF-8"?>
<ENGINES>
<ENGINE><INDEX>1</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>News</CATEGORY><NAME>First</NAME><URL>https://first.test/?q=*</URL><SHORTCUT>f</SHORTCUT></ENGINE>
<ENGINE><INDEX>2</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>News</CATEGORY><NAME>Second</NAME><URL>https://second.test/?q=*</URL><SHORTCUT>s</SHORTCUT></ENGINE>
<ENGINE><INDEX>3</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Reference</CATEGORY><NAME>Wiki</NAME><URL>https://wiki.test/?q=*</URL><SHORTCUT>W</SHORTCUT></ENGINE>
<ENGINE><INDEX>4</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>News</CATEGORY><NAME>Off</NAME><URL>https://off.test/?q=*</URL><ENABLE>0</ENABLE><SHORTCUT>off</SHORTCUT></ENGINE>
</ENGINES>
EOF2
printf 'm_strLang=English\nm_strCategory=News\n' >"$work/home/.config/Orvane/Orvane.conf"
cat >"$work/more.xml" <<'EOF2'
<?xml version="1.0" encoding="UTF-8"?>
<ENGINES>
<ENGINE><INDEX>1</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>News</CATEGORY><NAME>Taken</NAME><URL>https://taken.test/?q=*</URL><SHORTCUT>w</SHORTCUT></ENGINE>
<ENGINE><INDEX>2</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>News</CATEGORY><NAME>Free</NAME><URL>https://free.test/?q=*</URL><SHORTCUT>fr</SHORTCUT></ENGINE>
</ENGINES>
EOF2

fail=0
# run <expected status> <args...>: stdout in $work/out, stderr in $work/err.
run() {
    local want="$1"; shift
    local got=0
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
        timeout 30 "$work/prog/orvane" "$@" >"$work/out" 2>"$work/err") || got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL: orvane $* exited $got, expected $want"; cat "$work/err"; fail=1
    fi
}
expect() {  # expect <file> <text>
    if [ "$(cat "$work/$1")" != "$2" ]; then
        echo "FAIL: unexpected $1"; echo "--- got"; cat "$work/$1"; echo "--- expected"; echo "$2"; fail=1
    fi
}

run 0 --urls "!w sea otter"
expect out 'https://wiki.test/?q=sea%20otter'
run 0 --urls --category News sea '!S' otter '!w'
expect out 'https://second.test/?q=sea%20otter'
expect err 'Not in this group: Wiki'
run 1 --urls '!off' otter
expect out ''
expect err '"Off" is disabled.'
run 1 --urls '!f'
expect err 'Type words to search after the shortcut.'
run 0 --urls '!important' '!'
expect out $'https://first.test/?q=!important%20!\nhttps://second.test/?q=!important%20!'

run 0 --import more.xml
expect out $'added\tTaken\thttps://taken.test/?q=*\ndropped\tTaken\tThe shortcut "w" is already used; the engine was added without it.\nadded\tFree\thttps://free.test/?q=*'
run 0 --urls '!FR' x
expect out 'https://free.test/?q=x'
run 0 --export backup.xml
[ "$(grep -c "<SHORTCUT>" "$work/backup.xml")" -eq 5 ] && grep -q "<SHORTCUT>W</SHORTCUT>" "$work/backup.xml" ||
    { echo "FAIL: the export lost shortcuts"; cat "$work/backup.xml"; fail=1; }

[ "$fail" -eq 0 ] && echo "ok: shortcut commands"
exit "$fail"
