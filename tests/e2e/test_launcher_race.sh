#!/usr/bin/env bash
# End to end: starts of the installed launcher at the same moment, right after
# an upgrade, must all run: the per-user program folder is seeded or upgraded
# by one of them at a time. No display needed: the program only prints its usage.
# Usage: test_launcher_race.sh <stage dir>   (the build tree is the stage dir's parent)
set -euo pipefail

stage="${1:?usage: test_launcher_race.sh <stage dir>}"
build="$(cd "$stage/.." && pwd)"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require setpriv
e2e_setup "$stage"

cmake --install "$build" --prefix "$work/prefix" >/dev/null
chmod -R a-w "$work/prefix"
e2e_as_user
chmod 777 "$work"

fail=0
for round in $(seq 15); do
    # An upgrade: the installed program differs from the user's copy (bytes
    # after the end of an executable change nothing in how it runs).
    chmod u+w "$work/prefix/lib/orvane/orvane"
    printf '%s' "$round" >>"$work/prefix/lib/orvane/orvane"
    chmod a-w "$work/prefix/lib/orvane/orvane"
    pids=()
    for i in 1 2 3; do
        env -i PATH="$PATH" HOME="$work/home" "${run_as[@]}" \
            "$work/prefix/bin/orvane" --help >"$work/out.$round.$i" 2>&1 &
        pids+=($!)
    done
    for i in 1 2 3; do
        if ! wait "${pids[$((i - 1))]}"; then
            echo "FAIL: round $round, start $i: $(tail -n 3 "$work/out.$round.$i")"
            fail=1
        fi
    done
done
if cmp -s "$work/prefix/lib/orvane/orvane" "$work/home/.local/share/orvane/orvane"; then
    echo "ok: the user's folder holds the upgraded program"
else
    echo "FAIL: the user's folder does not hold the upgraded program"
    fail=1
fi
[ "$fail" -eq 0 ] && echo "ok: every start at once ran"

# A relative XDG_DATA_HOME is ignored, as the XDG rules say: no program
# folder appears under the current directory.
mkdir -m 777 "$work/cwd"
(cd "$work/cwd" && env -i PATH="$PATH" HOME="$work/home" XDG_DATA_HOME=rel "${run_as[@]}" \
    "$work/prefix/bin/orvane" --help >/dev/null 2>&1) || { echo "FAIL: start with a relative XDG_DATA_HOME"; fail=1; }
if [ -z "$(ls -A "$work/cwd")" ]; then
    echo "ok: a relative XDG_DATA_HOME is ignored"
else
    echo "FAIL: a program folder under the current directory: $(ls -A "$work/cwd")"
    fail=1
fi
exit "$fail"
