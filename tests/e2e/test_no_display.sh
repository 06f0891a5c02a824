#!/usr/bin/env bash
# End to end: without a display (none set, or one that cannot be opened) and
# no window running, the window's commands and --check (its browser views
# need one) say so and exit with status 1 instead of aborting inside the
# toolkit; a usage error is still 2; the headless commands still work.
# Usage: test_no_display.sh <stage dir>
set -euo pipefail

stage="${1:?usage: test_no_display.sh <stage dir>}"
. "$(dirname "$0")/e2e_lib.sh"
e2e_setup "$stage"
printf 'm_strLang=English\nm_strCategory=Web\n' >"$work/home/.config/Orvane/Orvane.conf"
e2e_catalogue <<'EOF'
Web|https://web.test/?q=*
EOF

fail=0
for display in "" ":97"; do
    for args in "sea otter" "--selection" "--clipboard" "--new-search" "--check word"; do
        got=0
        # shellcheck disable=SC2086
        (cd "$work" && env -u WAYLAND_DISPLAY DISPLAY="$display" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
            timeout 30 "$work/prog/orvane" $args >"$work/out" 2>"$work/err") || got=$?
        if [ "$got" -ne 1 ] || ! head -n1 "$work/err" | grep -q '^Cannot open the display: '; then
            echo "FAIL: orvane $args with DISPLAY='$display' exited $got"; head -n3 "$work/err"; fail=1
        fi
    done
done
e2e_run 2 --check
e2e_run 0 --urls word
e2e_expect out 'https://web.test/?q=word'

[ "$fail" -eq 0 ] && echo "ok: no display"
exit "$fail"
