#!/usr/bin/env bash
# The AppStream entry and the desktop entries pass Debian's validators with
# nothing to say: no error, no warning, no hint (a hint such as two main
# categories puts the program twice in a menu).
# Usage: test_metadata.sh <metainfo.xml> <desktop file>...
set -uo pipefail
metainfo="${1:?usage: test_metadata.sh <metainfo.xml> <desktop file>...}"; shift
fail=0
for tool in appstreamcli desktop-file-validate; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh installs it)"; exit 1; }
done

# Anything but the summary line is a finding; the status alone misses warnings.
out="$(appstreamcli validate --no-net --explain "$metainfo" 2>&1)"; status=$?
findings="$(grep -v -e '^✔ Validation was successful' -e '^$' <<<"$out")"
if [ "$status" -ne 0 ] || [ -n "$findings" ]; then
    echo "FAIL: appstreamcli on $(basename "$metainfo") (status $status):"; echo "$out"; fail=1
else
    echo "ok: $(basename "$metainfo")"
fi

for entry in "$@"; do
    out="$(desktop-file-validate "$entry" 2>&1)"; status=$?
    if [ "$status" -ne 0 ] || [ -n "$out" ]; then
        echo "FAIL: desktop-file-validate on $entry (status $status):"; echo "$out"; fail=1
    else
        echo "ok: $entry"
    fi
done
exit "$fail"
