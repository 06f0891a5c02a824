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

e2e_run 0 --urls "!w sea otter"
e2e_expect out 'https://wiki.test/?q=sea%20otter'
e2e_run 0 --urls --category News sea '!S' otter '!w'
e2e_expect out 'https://second.test/?q=sea%20otter'
e2e_expect err 'Not in this group: Wiki'
e2e_run 1 --urls '!off' otter
e2e_expect out ''
e2e_expect err '"Off" is disabled.'
e2e_run 1 --urls '!f'
e2e_expect err 'Type words to search after the shortcut.'
e2e_run 0 --urls '!important' '!'
e2e_expect out $'https://first.test/?q=!important%20!\nhttps://second.test/?q=!important%20!'

e2e_run 0 --import more.xml
e2e_expect out $'added\tTaken\thttps://taken.test/?q=*\ndropped\tTaken\tThe shortcut "w" is already used; the engine was added without it.\nadded\tFree\thttps://free.test/?q=*'
e2e_run 0 --urls '!FR' x
e2e_expect out 'https://free.test/?q=x'
e2e_run 0 --export backup.xml
[ "$(grep -c "<SHORTCUT>" "$work/backup.xml")" -eq 5 ] && grep -q "<SHORTCUT>W</SHORTCUT>" "$work/backup.xml" ||
    { echo "FAIL: the export lost shortcuts"; cat "$work/backup.xml"; fail=1; }

[ "$fail" -eq 0 ] && echo "ok: shortcut commands"
exit "$fail"
