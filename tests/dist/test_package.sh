#!/usr/bin/env bash
# The Debian package, made by cpack from the normal build tree (no build of
# its own): its name and control fields, lintian, the same files as
# cmake --install --prefix /usr, the installed launcher run from a clean root
# (by root and by an ordinary user, each given a program folder of their
# own, the installation untouched), and a removal that leaves nothing behind.
# Usage: test_package.sh <build dir>
set -euo pipefail
build="$(cd "${1:?usage: test_package.sh <build dir>}" && pwd)"
for tool in cpack dpkg-deb dpkg-shlibdeps dpkg apt-get lintian setpriv file; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh installs it)"; exit 1; }
done
work="$(mktemp -d)"
chmod 755 "$work"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail=0
failed() { echo "FAIL: $*"; fail=1; }

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
arch="$(dpkg --print-architecture)"
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb="$work/package/orvane_${version}_${arch}.deb"
[ -f "$deb" ] || { ls "$work/package"; echo "FAIL: no $(basename "$deb")"; exit 1; }
echo "ok: built $(basename "$deb")"

# Control fields; dpkg-shlibdeps found the linked libraries.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = orvane ] || failed "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || failed "Version: $(field Version)"
[ "$(field Section)" = web ] || failed "Section: $(field Section)"
[ -n "$(field Description | sed -n 2p)" ] || failed "no long description"
depends="$(field Depends)"
for lib in libwebkit2gtk-4.0-37 libgtk-3-0 libwxgtk3.2-1 libcurl4 liblz4-1 libsqlite3-0 libc6; do
    grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || failed "Depends lacks $lib: $depends"
done
echo "ok: control fields"
# apt can satisfy every dependency (a simulation: nothing is installed).
if apt-get install -s --no-install-recommends "$deb" >"$work/apt.log" 2>&1; then
    echo "ok: apt install would succeed"
else
    cat "$work/apt.log"; failed "apt cannot install the package"
fi

# No error and no warning (shown tags are E and W; none is suppressed).
lintian_out="$(lintian --no-cfg --fail-on error,warning "$deb" 2>&1)" || failed "lintian:"
lintian_out="$(grep -v '^running with root privileges' <<<"$lintian_out" || true)"
if [ -n "$lintian_out" ]; then
    echo "$lintian_out"
    failed "lintian has findings"
else
    echo "ok: lintian"
fi

# The package's files are cmake --install's.
root="$work/root"
dpkg -x "$deb" "$root"
DESTDIR="$work/installed" cmake --install "$build" --prefix /usr >/dev/null
list() { (cd "$1" && find . \( -type f -o -type l \) | sort); }
if diff -u --label "cmake --install" --label "package" <(list "$work/installed") <(list "$root"); then
    echo "ok: the package holds the files of cmake --install ($(list "$root" | wc -l))"
else
    failed "the package's files differ from cmake --install's (diff above)"
fi
# What a desktop, a software centre and man look for, at the sizes asked for.
for f in usr/bin/orvane usr/lib/orvane/orvane usr/lib/orvane/handbook.html \
         usr/share/metainfo/io.github.orvane.Orvane.metainfo.xml usr/share/man/man1/orvane.1.gz \
         usr/share/doc/orvane/copyright usr/share/icons/hicolor/scalable/apps/orvane.svg; do
    [ -s "$root/$f" ] || failed "not in the package: $f"
done
for size in 48 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/orvane.png"
    file -b "$icon" 2>&1 | grep -q "PNG image data, $size x $size" \
        || failed "icon ${size}x${size}: $(file -b "$icon" 2>&1)"
done
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" \
    "$root/usr/share/metainfo/io.github.orvane.Orvane.metainfo.xml" || failed "the AppStream release is not $version"
grep -qxF "Exec=/usr/bin/orvane" "$root/usr/share/dbus-1/services/io.github.orvane.Orvane.service" \
    || failed "the D-Bus service does not start /usr/bin/orvane"

# The installed launcher from the clean root, for root (when the test runs as
# root) and for an ordinary user: each gets a program folder of their own and
# the installation stays as it was. --urls reads the copied catalogue.
run() {  # run <home> <out> [setpriv options] -- <args>
    local home="$1" out="$2"; shift 2
    local as=()
    while [ "$1" != -- ]; do as+=("$1"); shift; done; shift
    env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 "${as[@]}" \
        timeout 60 "$root/usr/bin/orvane" "$@" >"$out" 2>&1
}
users=()
if [ "$(id -u)" -eq 0 ]; then
    users=(root nobody)
else
    chmod -R a-w "$root"
    users=("$(id -un)")
fi
before="$(cd "$root" && find . -exec stat -c '%n %s %a %Y' {} + | sort)"
expected_urls=""
for user in "${users[@]}"; do
    home="$work/home-$user"
    mkdir -p "$home"
    as=()
    if [ "$(id -u)" -eq 0 ] && [ "$user" != root ]; then
        chown "$user" "$home"
        as=(setpriv --reuid="$user" --regid=nogroup --clear-groups --inh-caps=-all)
    fi
    if run "$home" "$work/version" "${as[@]}" -- --version &&
       [ "$(head -n1 "$work/version")" = "Orvane $version" ]; then
        echo "ok: $user: orvane --version"
    else
        failed "$user: orvane --version said: $(cat "$work/version")"
    fi
    folder="$home/.local/share/orvane"
    cmp -s "$root/usr/lib/orvane/orvane" "$folder/orvane" && [ -s "$folder/conf/config.xml" ] \
        || failed "$user: no program folder of their own in $folder"
    if run "$home" "$work/urls" "${as[@]}" -- --urls --language English --category Web "sea otter"; then
        grep -qv '^https://.*sea' "$work/urls" && failed "$user: orvane --urls printed: $(cat "$work/urls")"
        [ -z "$expected_urls" ] && expected_urls="$(cat "$work/urls")"
        [ "$(cat "$work/urls")" = "$expected_urls" ] || failed "$user: other addresses than the first user"
        echo "ok: $user: orvane --urls ($(wc -l <"$work/urls") addresses)"
    else
        failed "$user: orvane --urls failed: $(cat "$work/urls")"
    fi
done
after="$(cd "$root" && find . -exec stat -c '%n %s %a %Y' {} + | sort)"
[ "$before" = "$after" ] && echo "ok: the installation is untouched" \
    || failed "the installation changed: $(diff <(echo "$before") <(echo "$after") | head)"

# The same addresses as the shipped catalogue gives the program itself.
mkdir -p "$work/stage-home" "$work/prog/conf"
cp "$build/stage/orvane" "$work/prog/"
cp "$root/usr/lib/orvane/conf/config.xml" "$work/prog/conf/"
(cd "$work/prog" && env -i HOME="$work/stage-home" LANG=C.UTF-8 ./orvane --urls --language English \
    --category Web "sea otter" >"$work/stage-urls" 2>&1) || true
[ "$(cat "$work/stage-urls")" = "$expected_urls" ] || failed "the installed program's addresses differ from the build's"

# A real install, a run by root and a removal in a scratch root with its own
# package database (root only: dpkg sets owners): nothing of ours is left.
if [ "$(id -u)" -eq 0 ]; then
    target="$work/target"
    mkdir -p "$target/var/lib/dpkg/updates" "$target/var/lib/dpkg/info"
    : >"$target/var/lib/dpkg/status"
    dpkgr=(dpkg --root="$target" --log=/dev/null --force-depends --force-script-chrootless)
    mkdir -p "$work/home-purge"
    if "${dpkgr[@]}" --install "$deb" >"$work/dpkg.log" 2>&1 &&
       env -i PATH=/usr/bin:/bin HOME="$work/home-purge" timeout 60 "$target/usr/bin/orvane" \
           --urls "sea otter" >>"$work/dpkg.log" 2>&1 &&
       "${dpkgr[@]}" --purge orvane >>"$work/dpkg.log" 2>&1; then
        left="$(cd "$target" && find . ! -type d ! -path './var/lib/dpkg/*' | sort)"
        [ -z "$left" ] && echo "ok: removing the package leaves no file" \
            || failed "files left after removal: $left"
    else
        cat "$work/dpkg.log"; failed "dpkg --install / --purge in a scratch root"
    fi
fi
exit "$fail"
