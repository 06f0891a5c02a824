#!/usr/bin/env bash
# Everything that names the licence names the same one: the AppStream entry,
# the package's copyright file (which points at the system's copy of the
# text), the README and "orvane --version".
# Usage: test_licence.sh <metainfo.xml> <copyright> <README.md> <orvane>
set -uo pipefail
metainfo="${1:?usage: test_licence.sh <metainfo.xml> <copyright> <README.md> <orvane>}"
copyright="${2:?}"; readme="${3:?}"; program="${4:?}"
spdx="GPL-3.0-or-later"
fail=0
failed() { echo "FAIL: $*"; fail=1; }

grep -q "<project_license>$spdx</project_license>" "$metainfo" || failed "AppStream project_license is not $spdx"
grep -q "<metadata_license>CC0-1.0</metadata_license>" "$metainfo" || failed "AppStream metadata_license is not CC0-1.0"
# Debian's short name for the same licence, with a stand-alone paragraph
# that names the system's copy of the text instead of copying it.
grep -qx "License: GPL-3+" "$copyright" || failed "the copyright file's Files: * licence is not GPL-3+"
[ "$(grep -cx "License: GPL-3+" "$copyright")" -ge 2 ] || failed "no stand-alone GPL-3+ paragraph in the copyright file"
grep -q '/usr/share/common-licenses/GPL-3' "$copyright" || failed "the copyright file does not point at common-licenses"
[ -s /usr/share/common-licenses/GPL-3 ] || failed "no /usr/share/common-licenses/GPL-3 on this system"
grep -q "$spdx" "$readme" || failed "the README does not name $spdx"
version="$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$(mktemp -d)" "$program" --version 2>&1)"
grep -q "$spdx" <<<"$version" || failed "orvane --version says: $version"
[ "$fail" -eq 0 ] && echo "ok: $spdx everywhere"
exit "$fail"
