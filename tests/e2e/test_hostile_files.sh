#!/usr/bin/env bash
# End to end: hostile browser files and names through the real program,
# without a display: a Local State nested a million deep, a keywords view
# that never ends, a pipe named as a file, more engines than one import
# takes, and names and addresses with control characters. Each command ends
# promptly with a clear answer and nothing raw reaches the terminal.
# Usage: test_hostile_files.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_hostile_files.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require python3
e2e_setup "$stage"
printf 'm_strLang=English\nm_strCategory=Web\n' >"$work/home/.config/Orvane/Orvane.conf"
cat >"$work/prog/conf/config.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<ENGINES>
<ENGINE><INDEX>1</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>Web</NAME><URL>https://web.test/?q=*</URL></ENGINE>
<ENGINE><INDEX>2</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>Broken</NAME><URL>https://nl.example/&#10;?q=*</URL></ENGINE>
</ENGINES>
EOF

# Browser files, written by Python's own SQLite and JSON.
python3 - "$work" <<'PY'
import json, os, sqlite3, sys
work = sys.argv[1]
schema = ("CREATE TABLE keywords (id INTEGER PRIMARY KEY, short_name VARCHAR NOT NULL, keyword VARCHAR NOT NULL, "
          "url VARCHAR NOT NULL, input_encodings VARCHAR, suggest_url VARCHAR, search_url_post_params VARCHAR)")
def web_data(path, rows):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    db = sqlite3.connect(path)
    db.execute(schema)
    db.executemany("INSERT INTO keywords (short_name, keyword, url, input_encodings, suggest_url, search_url_post_params) "
                   "VALUES (?, '', ?, '', '', '')", rows)
    db.commit()
    db.close()
chromium = work + "/home/.config/chromium"
evil = "Evil\x1b]0;title\x07\x1b[2J"
web_data(chromium + "/Default/Web Data", [(evil, "https://evil.test/?q={searchTerms}"),
                                          ("Break", "https://nl.example/\n?q={searchTerms}"),
                                          ("Fine", "https://fine.test/?q={searchTerms}")])
depth = 1000000
with open(chromium + "/Local State", "w") as f:
    f.write('{"profile":{"info_cache":{"Default":{"deep":' + "[" * depth + "]" * depth + ',"name":' +
            json.dumps(evil) + '}}}}')
web_data(work + "/many/Web Data", [("E%d" % i, "https://e.test/%d?q={searchTerms}" % i) for i in range(1500)])
os.makedirs(work + "/view")
db = sqlite3.connect(work + "/view/Web Data")
db.execute("CREATE VIEW keywords AS WITH RECURSIVE r(id) AS (SELECT 1 UNION ALL SELECT id + 1 FROM r) "
           "SELECT id, 'n' AS short_name, 'k' AS keyword, 'https://v.test/?q={searchTerms}' AS url, "
           "'' AS input_encodings, '' AS suggest_url, '' AS search_url_post_params FROM r")
db.commit()
db.close()
PY
mkfifo "$work/pipe"

fail=0
raw() { LC_ALL=C grep -q $'[\x01-\x08\x0b-\x1f\x7f]' "$work/$1"; }

e2e_run 0 --list-browsers
[ "$(cut -f2 "$work/out")" = 'Evil\x1b]0;title\x07\x1b[2J' ] || { echo "FAIL: the profile name is not escaped"; cat -v "$work/out"; fail=1; }
[ "$(cut -f4 "$work/out")" = 1 ] || { echo "FAIL: the profile's engines were not counted"; cat -v "$work/out"; fail=1; }
raw out && { echo "FAIL: --list-browsers printed control characters"; fail=1; }

e2e_run 0 --import-browser
grep -q $'^skipped\tEvil\\\\x1b]0;title\\\\x07' "$work/out" || { echo "FAIL: the skipped name is not escaped"; cat -v "$work/out"; fail=1; }
grep -q $'^skipped\tBreak\tThe name or the search address of "Break" contains control characters.$' "$work/out" ||
    { echo "FAIL: an address with a line break came in"; cat -v "$work/out"; fail=1; }
grep -q $'^added\tFine\t' "$work/out" || { echo "FAIL: the good engine was not added"; cat -v "$work/out"; fail=1; }
raw out && { echo "FAIL: --import-browser printed control characters"; fail=1; }

e2e_run 0 --urls word
e2e_expect out $'https://web.test/?q=word\nhttps://fine.test/?q=word'

e2e_run 0 --import "many/Web Data"
[ "$(grep -c $'^added\t' "$work/out")" -eq 1000 ] || { echo "FAIL: not 1,000 engines from 1,500"; fail=1; }
grep -q 'Only the first 1,000 engines of a profile or file are read.$' "$work/out" || { echo "FAIL: no note of the limit"; fail=1; }

e2e_run 1 --import "view/Web Data"
grep -q "holds no engine table" "$work/out" || { echo "FAIL: the view was read"; cat "$work/out"; fail=1; }

e2e_run 1 --import pipe
grep -q "Only ordinary files can be imported" "$work/out" || { echo "FAIL: the pipe was not refused"; cat "$work/out"; fail=1; }

e2e_run 2 $'--no-such\x1b]0;x\x07'
raw err && { echo "FAIL: a bad option was echoed with control characters"; cat -v "$work/err"; fail=1; }

[ "$fail" -eq 0 ] && echo "ok: hostile files"
exit "$fail"
