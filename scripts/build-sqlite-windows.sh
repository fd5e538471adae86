#!/usr/bin/env bash
# Builds SQLite as a static library for 64-bit Windows with MinGW-w64, from Debian's own source
# package (fetched by scripts/debian-source.sh, Debian's patches applied). Prints the install
# prefix as its only output.
#
# Usage: scripts/build-sqlite-windows.sh
#
# Debian's source is SQLite's full tree: its one-file form (sqlite3.c, the "amalgamation") is
# generated on this machine first with the tree's own configure and tclsh, then compiled alone
# with the cross compiler. The prefix lies outside the clone, in the cache folder (T2N_CACHE,
# /var/cache/tallo2nmea by default): sqlite-VERSION-mingw-KEY, where KEY is a short hash of the
# source package's version, the compiler's version and the options below. A run that finds it
# complete builds nothing; another build of the same key waits for the first (a lock beside it).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cache=${T2N_CACHE:-/var/cache/tallo2nmea}
triple=x86_64-w64-mingw32
cc=$triple-gcc-posix

# As the map files and the archive use it: thread-safe, no extensions loaded from files, double
# quotes only for names, and no memory statistics kept.
options=(
    -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION=1 -DSQLITE_DQS=0
    -DSQLITE_DEFAULT_MEMSTATUS=0 -DSQLITE_OMIT_DEPRECATED=1 -DSQLITE_DEFAULT_FOREIGN_KEYS=1
    -DSQLITE_ENABLE_DBSTAT_VTAB=1
)

say() { echo "build-sqlite-windows: $*" >&2; }

source_version() {
    apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -rV | head -n 1
}

if [ -z "$(source_version sqlite3)" ]; then
    say "writing deb-src entries"
    bash "$here/debian-source.sh" sqlite3 "$cache/sources/first" >/dev/null
fi
version=$(source_version sqlite3)
compiler=$("$cc" --version | head -n 1)
key=$({
    printf '%s\n' "sqlite3 $version" "$compiler"
    printf '%s\n' "${options[@]}"
} | sha256sum | cut -c1-12)
upstream=${version#*:}
prefix=$cache/sqlite-${upstream%%-*}-mingw-$key

if [ ! -f "$prefix/.complete" ]; then
    mkdir -p "$cache"
    exec 9>"$prefix.lock"
    flock 9
fi
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

started=$(date +%s)
work=$prefix.work
rm -rf "$work" "$prefix"
mkdir -p "$work/amalgamation" "$work/prefix/lib" "$work/prefix/include"
trap 'say "failed, the logs are in $work"; tail -n 30 "$work"/*.log >&2' ERR
source=$(bash "$here/debian-source.sh" sqlite3 "$cache/sources/sqlite3_$version" | tail -n 1)

say "sqlite3 $version: the one-file source"
(cd "$work/amalgamation" && "$source/configure" --disable-tcl >"$work/amalgamation.log" 2>&1 &&
    make sqlite3.c >>"$work/amalgamation.log" 2>&1)

say "sqlite3 $version: the library"
"$cc" "${options[@]}" -c "$work/amalgamation/sqlite3.c" -o "$work/sqlite3.o" >"$work/compile.log" 2>&1
"$triple-ar" rcs "$work/prefix/lib/libsqlite3.a" "$work/sqlite3.o"
cp "$work/amalgamation/sqlite3.h" "$work/amalgamation/sqlite3ext.h" "$work/prefix/include/"

touch "$work/prefix/.complete"
mv "$work/prefix" "$prefix"
rm -rf "$work"
say "built in $(($(date +%s) - started)) s"
echo "$prefix"
