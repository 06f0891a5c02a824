#!/usr/bin/env bash
# End to end: engines from browser profiles under a temporary HOME, through
# the command line without a display: --list-browsers, --import-browser with
# and without a name, and --import of the two browser files by content.
# Usage: test_browser_import.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_browser_import.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_setup "$stage"
e2e_require python3

e2e_catalogue <<'EOF'
Old|https://dup.test/?q=*|Deutsch|Suche
EOF

# A Firefox profile (search.json.mozlz4 as one LZ4 block of literals, which
# any LZ4 decoder reads), a Chromium profile and a damaged Chrome profile.
python3 - "$work/home" <<'PY'
import json, os, sqlite3, struct, sys
home = sys.argv[1]

def lz4_literals(data):
    out = bytearray()
    n = len(data)
    out.append(min(n, 15) << 4)
    if n >= 15:
        rest = n - 15
        while rest >= 255:
            out.append(255); rest -= 255
        out.append(rest)
    return bytes(out) + data

fox = os.path.join(home, ".mozilla/firefox")
os.makedirs(os.path.join(fox, "x1.default-release"))
with open(os.path.join(fox, "profiles.ini"), "w") as f:
    f.write("[Install4F96D1932A9F858E]\nDefault=x1.default-release\n\n"
            "[Profile0]\nName=default-release\nIsRelative=1\nPath=x1.default-release\nDefault=1\n\n"
            "[General]\nStartWithLastProfile=1\nVersion=2\n")
engines = {"version": 6, "engines": [
    {"_name": "Fox Search", "_metaData": {"alias": "fs"}, "queryCharset": "windows-1252",
     "_urls": [{"template": "https://fox.test/s", "type": "text/html",
                "params": [{"name": "q", "value": "{searchTerms}"}]}]},
    {"_name": "Built In", "_isAppProvided": True, "_metaData": {}},
]}
data = json.dumps(engines).encode()
with open(os.path.join(fox, "x1.default-release/search.json.mozlz4"), "wb") as f:
    f.write(b"mozLz40\0" + struct.pack("<I", len(data)) + lz4_literals(data))

def web_data(path, rows):
    db = sqlite3.connect(path)
    db.execute("CREATE TABLE keywords (id INTEGER PRIMARY KEY,short_name VARCHAR NOT NULL,"
               "keyword VARCHAR NOT NULL,favicon_url VARCHAR NOT NULL,url VARCHAR NOT NULL,"
               "safe_for_autoreplace INTEGER,originating_url VARCHAR,date_created INTEGER DEFAULT 0,"
               "usage_count INTEGER DEFAULT 0,input_encodings VARCHAR,suggest_url VARCHAR,"
               "prepopulate_id INTEGER DEFAULT 0,created_by_policy INTEGER DEFAULT 0,"
               "last_modified INTEGER DEFAULT 0,sync_guid VARCHAR,alternate_urls VARCHAR,"
               "image_url VARCHAR,search_url_post_params VARCHAR,suggest_url_post_params VARCHAR,"
               "image_url_post_params VARCHAR,new_tab_url VARCHAR,last_visited INTEGER DEFAULT 0,"
               "created_from_play_api INTEGER DEFAULT 0,is_active INTEGER DEFAULT 0,"
               "starter_pack_id INTEGER DEFAULT 0,enforced_by_policy INTEGER DEFAULT 0,"
               "featured_by_policy INTEGER DEFAULT 0)")
    for name, keyword, url in rows:
        db.execute("INSERT INTO keywords (short_name, keyword, favicon_url, url, input_encodings) "
                   "VALUES (?, ?, '', ?, 'UTF-8')", (name, keyword, url))
    db.commit()
    db.close()

chromium = os.path.join(home, ".config/chromium")
os.makedirs(os.path.join(chromium, "Profile 1"))
with open(os.path.join(chromium, "Local State"), "w") as f:
    json.dump({"profile": {"info_cache": {"Profile 1": {"name": "Holiday"}}}}, f)
web_data(os.path.join(chromium, "Profile 1/Web Data"),
         [("Chrom", "ch", "{google:baseURL}x?q={searchTerms}&{google:RLZ}"),
          ("Dup", "d", "https://dup.test/?q={searchTerms}")])
chrome = os.path.join(home, ".config/google-chrome/Default")
os.makedirs(chrome)
with open(os.path.join(chrome, "Web Data"), "wb") as f:
    f.write(b"SQLite format 3\0" + b"\xff" * 2000)
PY

fail=0

e2e_run 0 --help
grep -q -- "--import-browser" "$work/out" && grep -q -- "--list-browsers" "$work/out" ||
    { echo "FAIL: --help does not describe the browser options"; fail=1; }
e2e_run 2 --list-browsers extra
e2e_run 2 --list-browsers --language English
e2e_run 2 --import-browser one two

browsers=(.mozilla .config/chromium .config/google-chrome)
before="$(cd "$work/home" && find "${browsers[@]}" | sort && find "${browsers[@]}" -type f -exec md5sum {} + | sort)"
e2e_run 0 --list-browsers
e2e_expect out "Firefox	default-release	$work/home/.mozilla/firefox/x1.default-release	1
Chromium	Holiday	$work/home/.config/chromium/Profile 1	2
Google Chrome	Default	$work/home/.config/google-chrome/Default	0"

cp "$work/prog/conf/config.xml" "$work/config.before"
e2e_run 1 --import-browser nothing-matches
grep -q "no browser profile matches nothing-matches" "$work/err" || { echo "FAIL: no clear error"; fail=1; }
e2e_run 1 --import-browser chrome
e2e_expect out "skipped	$work/home/.config/google-chrome/Default/Web Data	The browser's engine file cannot be read (file is not a database)."
cmp -s "$work/config.before" "$work/prog/conf/config.xml" || { echo "FAIL: a failed import changed the catalogue"; fail=1; }

e2e_run 0 --import-browser HOLIDAY --language Deutsch --category Suche
e2e_expect out "added	Chrom	https://www.google.com/x?q=*&
skipped	Dup	duplicate"
e2e_run 0 --import "$work/home/.mozilla/firefox/x1.default-release/search.json.mozlz4"
e2e_expect out "added	Fox Search	https://fox.test/s?q=*
skipped	Built In	The browser does not store this engine's address."
e2e_run 1 --import-browser
grep -c "^skipped" "$work/out" | grep -qx 5 || { echo "FAIL: a second import added again"; cat "$work/out"; fail=1; }

conf="$work/prog/conf/config.xml"
grep -q "<NAME>Chrom</NAME>" "$conf" && grep -q "<LANGUAGE>Deutsch</LANGUAGE>" "$conf" &&
    grep -q "windows-1252" "$conf" || { echo "FAIL: the engines are not in the catalogue"; fail=1; }
after="$(cd "$work/home" && find "${browsers[@]}" | sort && find "${browsers[@]}" -type f -exec md5sum {} + | sort)"
[ "$before" = "$after" ] || { echo "FAIL: a browser's folder was written to"; fail=1; }

[ "$fail" -eq 0 ] && echo "PASS"
exit "$fail"
