#!/usr/bin/env bash
# Everything that names the licence names the same one: the AppStream entry,
# the package's copyright file (pointing at the system's copy of the text),
# the README and "orvane --version".
# Usage: test_licence.sh <metainfo.xml> <copyright> <README.md> <orvane>
set -uo pipefail
metainfo="$1" copyright="$2" readme="$3" program="$4" fail=0
check() { grep -q "$1" "$2" || { echo "FAIL: $2 lacks $1"; fail=1; }; }
check "<project_license>GPL-3.0-or-later</project_license>" "$metainfo"
check "<metadata_license>CC0-1.0</metadata_license>" "$metainfo"
[ "$(grep -cx "License: GPL-3+" "$copyright")" -eq 2 ] || { echo "FAIL: no GPL-3+ for Files: * and its paragraph"; fail=1; }
check "/usr/share/common-licenses/GPL-3" "$copyright"
check "GPL-3.0-or-later" "$readme"
check "GPL-3.0-or-later" <(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$(mktemp -d)" "$program" --version 2>&1)
[ "$fail" -eq 0 ] && echo "ok: GPL-3.0-or-later everywhere"
exit "$fail"
