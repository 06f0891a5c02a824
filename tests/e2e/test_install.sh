#!/usr/bin/env bash
# End to end: install to a temporary prefix, make the installation read-only,
# and run the installed launcher as an ordinary user. An engine added in the
# first run must be in the user's own catalogue and survive a restart, and the
# installation itself must stay untouched.
# Usage: test_install.sh <stage dir>   (the build tree is the stage dir's parent)
set -euo pipefail

stage="${1:?usage: test_install.sh <stage dir>}"
build="$(cd "$stage/.." && pwd)"
. "$(dirname "$0")/e2e_lib.sh"
e2e_require xvfb-run xdotool dbus-run-session setpriv
e2e_setup "$stage"

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for f in bin/orvane lib/orvane/orvane lib/orvane/conf/config.xml lib/orvane/conf/index.htm \
         lib/orvane/handbook.html lib/orvane/img/prev.png \
         lib/orvane/locales/ja/Orvane.mo share/applications/io.github.orvane.Orvane.desktop \
         share/icons/hicolor/256x256/apps/orvane.png \
         share/gnome-shell/search-providers/io.github.orvane.Orvane.search-provider.ini \
         share/dbus-1/services/io.github.orvane.Orvane.service \
         share/krunner/dbusplugins/io.github.orvane.Orvane.desktop; do
    [ -e "$work/prefix/$f" ] || { echo "FAIL: not installed: $f"; exit 1; }
done
echo "ok: installed files"
entry="$work/prefix/share/applications/io.github.orvane.Orvane.desktop"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry"
    echo "ok: the desktop entry validates"
fi
# has <file> <line>...: every line is in the file as it stands.
has() {
    local file="$work/prefix/$1" line; shift
    for line in "$@"; do
        grep -qxF -- "$line" "$file" || { echo "FAIL: $1 lacks: $line"; exit 1; }
    done
}
has share/applications/io.github.orvane.Orvane.desktop 'Exec=orvane %U' \
    'Actions=search-selection;new-search;' '[Desktop Action search-selection]' \
    'Exec=orvane --selection' 'Exec=orvane --new-search' 'Name[ja]=新しい検索'
has share/gnome-shell/search-providers/io.github.orvane.Orvane.search-provider.ini \
    '[Shell Search Provider]' 'DesktopId=io.github.orvane.Orvane.desktop' \
    'BusName=io.github.orvane.Orvane' 'ObjectPath=/io/github/orvane/Orvane/SearchProvider' \
    'Version=2'
has share/dbus-1/services/io.github.orvane.Orvane.service '[D-BUS Service]' \
    'Name=io.github.orvane.Orvane' "Exec=$work/prefix/bin/orvane"
has share/krunner/dbusplugins/io.github.orvane.Orvane.desktop 'X-Plasma-API=DBus' \
    'X-Plasma-DBusRunner-Service=io.github.orvane.Orvane' \
    'X-Plasma-DBusRunner-Path=/io/github/orvane/Orvane/KRunner'
echo "ok: search provider, D-Bus service and KRunner plugin"
chmod -R a-w "$work/prefix"
before="$(cd "$work/prefix" && find . -type f -exec md5sum {} + | sort)"

home="$work/home"
cat >"$home/.config/Orvane/Orvane.conf" <<EOF2
ui_language=default
m_nEnableSuggestion=0
m_nShowEngineManager=1
EOF2
e2e_as_user

cat >"$work/drive.sh" <<'EOF2'
#!/usr/bin/env bash
# Inside Xvfb: start the installed launcher; with "add", add an engine through
# the engine manager's Add button and its dialog; then quit.
set -u
. "$(dirname "$0")/e2e_lib.sh"
launcher="$1"; mode="$2"; out="$3"
"$launcher" >"$out" 2>&1 &
app=$!
e2e_wait_window '^Orvane' || { echo "no window" >&2; kill "$app"; exit 1; }
sleep 2
if [ "$mode" = add ]; then
    xdotool key --clearmodifiers alt+a
    e2e_wait_window 'Engine info dialog' || echo "no engine dialog" >&2
    sleep 0.5
    # The dialog opens on the language box, prefilled with "untitled".
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 'Installtest'
    xdotool key --clearmodifiers alt+o
    sleep 1
fi
e2e_quit "$app"
exit 0
EOF2
chmod 755 "$work/drive.sh"

run() {
    e2e_display "$work/drive.sh" "$work/prefix/bin/orvane" "$1" "$home/orvane-$1.out"
}

fail=0
run add
user_conf="$home/.local/share/orvane/conf/config.xml"
if grep -q "<LANGUAGE>Installtest</LANGUAGE>" "$user_conf" 2>/dev/null; then
    echo "ok: the added engine is in the user's catalogue"
else
    echo "FAIL: the added engine is not in $user_conf"
    fail=1
fi
saved="$(cat "$user_conf" 2>/dev/null || true)"
run restart
if grep -q "<LANGUAGE>Installtest</LANGUAGE>" "$user_conf" 2>/dev/null && \
   [ "$(cat "$user_conf")" = "$saved" ]; then
    echo "ok: the engine survives a restart"
else
    echo "FAIL: the catalogue changed or lost the engine across a restart"
    fail=1
fi
[ -s "$home/.local/share/orvane/conf/index.htm" ] && echo "ok: start page in the user's folder" \
    || { echo "FAIL: no start page in the user's folder"; fail=1; }
after="$(cd "$work/prefix" && find . -type f -exec md5sum {} + | sort)"
if [ "$before" = "$after" ]; then
    echo "ok: the installation is untouched"
else
    echo "FAIL: the installation changed"
    fail=1
fi
if [ "$fail" -ne 0 ]; then
    for f in "$home"/orvane-*.out; do echo "--- $f"; tail -n 20 "$f"; done
fi
exit "$fail"
