#!/bin/sh
# Starts Orvane from a program folder the user can write to.
# The program keeps its catalogue, start page and last suggestion reply in
# conf/ beside its executable. An installation the user owns and may write
# (one of their own, under a prefix of theirs) is used in place. Any other
# (the package manager's, and root's use of it too, so that removing the
# package leaves nothing behind) gives each user a folder of their own,
# seeded from the installed one: the executable and the template are
# refreshed from the installation, while the user's catalogue is kept. The
# program writes its start page at every start, so an installation without
# one is fine.
set -eu

here=$(dirname "$(readlink -f "$0")")
installed=$(readlink -f "$here/../lib/orvane")

if [ "$(id -u)" -ne 0 ] && [ -O "$installed" ] && [ -w "$installed" ] && [ -w "$installed/conf" ]; then
    cd "$installed"
    exec ./orvane "$@"
fi

# The XDG rules: a relative (or empty) XDG_DATA_HOME is ignored, or every
# working directory would get a program folder of its own.
data_home="${XDG_DATA_HOME:-}"
case "$data_home" in
    /*) ;;
    *) data_home="$HOME/.local/share" ;;
esac
user_dir="$data_home/orvane"
mkdir -p "$user_dir/conf"

# Starts at the same moment (a double click, a second start right after an
# upgrade) seed or upgrade the folder one at a time; the lock goes with fd 9
# before the program starts.
exec 9>"$user_dir/.seed.lock"
if command -v flock >/dev/null 2>&1; then
    flock 9
fi

if ! cmp -s "$installed/orvane" "$user_dir/orvane"; then
    cp "$installed/orvane" "$user_dir/orvane.new.$$"
    chmod 755 "$user_dir/orvane.new.$$"
    mv -f "$user_dir/orvane.new.$$" "$user_dir/orvane"
fi

# Pictures, translations and the handbook are read only: follow the installation.
for d in img locales handbook.html; do
    if [ -L "$user_dir/$d" ] || [ ! -e "$user_dir/$d" ]; then
        rm -f "$user_dir/$d"
        ln -s "$installed/$d" "$user_dir/$d"
    fi
done

cp "$installed/conf/index_tpl.htm" "$user_dir/conf/index_tpl.htm.new.$$"
mv -f "$user_dir/conf/index_tpl.htm.new.$$" "$user_dir/conf/index_tpl.htm"
for f in config.xml index.htm; do
    if [ ! -e "$user_dir/conf/$f" ] && [ -e "$installed/conf/$f" ]; then
        cp "$installed/conf/$f" "$user_dir/conf/$f"
    fi
done
chmod -R u+w "$user_dir/conf"
exec 9>&-

cd "$user_dir"
exec ./orvane "$@"
