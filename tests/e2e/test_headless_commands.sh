#!/usr/bin/env bash
# End to end: the command-line options run without a display (DISPLAY and
# WAYLAND_DISPLAY unset, as over ssh) and answer scripts on stdout with the
# documented exit statuses.
# Usage: test_headless_commands.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_headless_commands.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_setup "$stage"

e2e_catalogue <<'EOF'
Web|https://web.test/?q=*||||2
Later|https://later.test/?q=*||News||5
First|https://first.test/?q=*&a=*||News||1
Off|https://off.test/?q=*||News|0|3
EOF
printf 'm_strLang=English\nm_strCategory=News\n' >"$work/home/.config/Orvane/Orvane.conf"
cat >"$work/desc.xml" <<'EOF2'
<?xml version="1.0" encoding="UTF-8"?>
<OpenSearchDescription xmlns="http://a9.com/-/spec/opensearch/1.1/">
  <ShortName>日本 Search</ShortName>
  <InputEncoding>Shift_JIS</InputEncoding>
  <Url type="application/x-suggestions+json" template="https://jp.test/ac?q={searchTerms}"/>
  <Url type="text/html" template="https://jp.test/s?q={searchTerms}&amp;n={count}"/>
</OpenSearchDescription>
EOF2
sed 's/type="text\/html"/type="text\/html" method="post"/' "$work/desc.xml" >"$work/post.xml"

fail=0

e2e_run 0 --help
grep -q -- "--export-opensearch" "$work/out" || { echo "FAIL: --help lists no options"; fail=1; }
e2e_run 2 --no-such-option
e2e_expect err 'unknown option --no-such-option; see orvane --help'
e2e_run 2 --bogus word
e2e_expect err 'unknown option --bogus; see orvane --help'
e2e_run 2 --import
e2e_expect err '--import needs at least one file; see orvane --help'

e2e_run 0 --urls "  sea otter "
e2e_expect out $'https://first.test/?q=sea%20otter&a=*\nhttps://later.test/?q=sea%20otter'
e2e_run 0 --urls --category Web 日本
e2e_expect out 'https://web.test/?q=%e6%97%a5%e6%9c%ac'
e2e_run 1 --urls --language Nowhere word

e2e_run 0 --import desc.xml post.xml --category News
e2e_expect out $'added\t日本 Search\thttps://jp.test/s?q=*&n=20\nskipped\t日本 Search\t"日本 Search" sends its searches by POST, which Orvane cannot do.'
e2e_run 1 --import desc.xml
e2e_expect out $'skipped\t日本 Search\tduplicate'
grep -q "<SUGGEST_URL>https://jp.test/ac?q={searchTerms}</SUGGEST_URL>" "$work/prog/conf/config.xml" ||
    { echo "FAIL: the imported engine was not saved with its completion address"; fail=1; }
e2e_run 0 --urls 日本
e2e_expect out $'https://first.test/?q=%e6%97%a5%e6%9c%ac&a=*\nhttps://later.test/?q=%e6%97%a5%e6%9c%ac\nhttps://jp.test/s?q=%93%fa%96%7b&n=20'

e2e_run 0 --export backup.xml
[ "$(grep -c "<ENGINE>" "$work/backup.xml")" -eq 5 ] || { echo "FAIL: --export did not write 5 engines"; fail=1; }
e2e_run 2 --export-opensearch ''
[ -z "$(cd "$work" && ls ./*.xml 2>/dev/null | grep -v -e desc.xml -e post.xml -e backup.xml)" ] ||
    { echo "FAIL: an empty folder wrote into the current one"; ls "$work"; fail=1; }
e2e_run 0 --export-opensearch os
[ "$(ls "$work/os" | wc -l)" -eq 5 ] && [ -f "$work/os/日本_Search.xml" ] ||
    { echo "FAIL: --export-opensearch files"; ls "$work/os"; fail=1; }
grep -q 'template="https://first.test/?q={searchTerms}&amp;a=\*"' "$work/os/First.xml" ||
    { echo "FAIL: description template"; cat "$work/os/First.xml"; fail=1; }

# A backup imported into an empty catalogue gives back the same catalogue.
cp "$work/prog/conf/config.xml" "$work/before.xml"
rm "$work/prog/conf/config.xml"
e2e_run 0 --import backup.xml
cmp -s "$work/before.xml" "$work/prog/conf/config.xml" || {
    echo "FAIL: export then import is not lossless"; diff "$work/before.xml" "$work/prog/conf/config.xml"; fail=1; }

e2e_run 0 --version
grep -Eqx 'Orvane [0-9]+(\.[0-9]+)+' "$work/out" || { echo "FAIL: --version printed"; cat "$work/out"; fail=1; }

# A group without engines is named, whether the language is unknown or only
# its engines are off; the category on show stays in the message.
e2e_run 1 --urls --language Nope word
[ "$(cat "$work/err")" = "No enabled engine in Nope / News." ] || { echo "FAIL: empty group"; cat "$work/err"; fail=1; }

# A missing folder is refused, never made.
e2e_run 1 --export no/such/dir/x.xml
[ "$(cat "$work/err")" = "The folder $work/no/such/dir does not exist." ] || { echo "FAIL: missing folder"; cat "$work/err"; fail=1; }
[ ! -e "$work/no" ] || { echo "FAIL: --export made folders"; fail=1; }

# The group options are for descriptions: a catalogue file's engines keep
# theirs, and the same address in another group is no duplicate.
cat >"$work/own.xml" <<'EOF2'
<ENGINES><ENGINE><INDEX>1</INDEX><LANGUAGE>Deutsch</LANGUAGE><CATEGORY>Bilder</CATEGORY><NAME>Own</NAME><URL>https://web.test/?q=*</URL></ENGINE></ENGINES>
EOF2
e2e_run 0 --import own.xml --language Elsewhere --category Other
e2e_expect out $'added\tOwn\thttps://web.test/?q=*'
tr -d ' \t\r\n' <"$work/prog/conf/config.xml" | grep -q "<LANGUAGE>Deutsch</LANGUAGE><CATEGORY>Bilder</CATEGORY><NAME>Own</NAME>" ||
    { echo "FAIL: the catalogue engine was moved"; fail=1; }
grep -q "Elsewhere" "$work/prog/conf/config.xml" && { echo "FAIL: the options moved a catalogue engine"; fail=1; }
e2e_run 0 --help
grep -q "keep" "$work/out" || { echo "FAIL: --help does not say catalogue engines keep their group"; fail=1; }

[ "$fail" -eq 0 ] && echo "ok: headless commands"
exit "$fail"
