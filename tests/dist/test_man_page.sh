#!/usr/bin/env bash
# The manual page's OPTIONS are the options "orvane --help" describes, and the
# page renders without a groff warning. On a mismatch it prints a diff: lines
# with "-" are only in the manual page, lines with "+" only in --help.
# Usage: test_man_page.sh <orvane.1> <orvane executable>
set -uo pipefail
page="${1:?usage: test_man_page.sh <orvane.1> <orvane>}"
program="${2:?usage: test_man_page.sh <orvane.1> <orvane>}"
fail=0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The page: the first word of each ".TP" heading under ".SH OPTIONS".
awk '/^\.SH / { in_options = ($2 == "OPTIONS") ; next }
     in_options && heading { sub(/^\.[A-Z]+ +/, ""); gsub(/\\-/, "-"); gsub(/\\f[A-Z]/, "");
                             gsub(/"/, ""); split($0, w, " "); print w[1]; heading = 0; next }
     in_options && /^\.TP/ { heading = 1 }' "$page" | sort >"$work/man"

# --help: the option that opens each line of its option list (indented by
# two; deeper lines continue the text above).
help="$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work" "$program" --help 2>&1)" || {
    echo "FAIL: orvane --help failed:"; echo "$help"; exit 1; }
grep -oE '^  (--?[a-z][a-z-]*|--)( |$)' <<<"$help" | tr -d ' ' | sort >"$work/help"

if [ ! -s "$work/man" ] || [ ! -s "$work/help" ]; then
    echo "FAIL: no options read (manual page: $(wc -l <"$work/man"), --help: $(wc -l <"$work/help"))"
    fail=1
elif ! diff -u --label "OPTIONS in $(basename "$page")" --label "orvane --help" \
        "$work/man" "$work/help"; then
    echo "FAIL: the manual page and --help list different options (see the diff above)"
    fail=1
else
    echo "ok: $(wc -l <"$work/man") options in both"
fi

# Every option entry gives its exit status.
awk '/^\.SH / { in_options = ($2 == "OPTIONS"); next }
     in_options && /^\.TP/ { if (entry != "" && entry !~ /[Ee]xit/) print head; entry = ""; getline head; next }
     in_options { entry = entry " " $0 }
     END { if (entry != "" && entry !~ /[Ee]xit/) print head }' "$page" >"$work/no_status"
# Words that only change another option, and "--", have none of their own.
grep -vE '^\.B[IR]? +\\-\\-(language|category|json|limit)|^\.B +\\-\\-$' "$work/no_status" >"$work/missing" || true
if [ -s "$work/missing" ]; then
    echo "FAIL: option entries without an exit status:"; cat "$work/missing"; fail=1
fi

# What a reader is told: --language and --category go with --check in both
# texts; the page says which commands need a display and what they say
# without one; no word is doubled across a line break ("in in").
text="$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null | col -bx)"
language_entry="$(awk '/^       --language L/ { on = 1 } on && /^       --category/ { exit } on' <<<"$text")"
grep -q -- '--check' <<<"$language_entry" || { echo "FAIL: the page's --language entry does not name --check"; fail=1; }
help_language="$(awk '/^  --language/ { on = 1; print; next } on && /^  --/ { exit } on' <<<"$help")"
grep -q -- '--check' <<<"$help_language" || { echo "FAIL: --help's --language does not name --check"; fail=1; }
grep -q "Cannot open the display" <<<"$(tr -s " \n" "  " <<<"$text")" || { echo "FAIL: the page does not say what happens without a display"; fail=1; }
doubled="$(tr -s ' \n' '  ' <<<"$text" | grep -oiE '\b([a-z]+) \1\b' | sort -u)"
[ -z "$doubled" ] || { echo "FAIL: doubled words in the page: $doubled"; fail=1; }

warnings="$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)"
if [ -n "$warnings" ]; then
    echo "FAIL: groff warns:"; echo "$warnings"; fail=1
fi
exit "$fail"
