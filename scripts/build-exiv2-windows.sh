#!/usr/bin/env bash
# Builds Exiv2 and expat (its XML parser, for XMP) as static libraries for 64-bit Windows with
# MinGW-w64, from Debian's own source packages (fetched by scripts/debian-source.sh), with
# Debian's zlib for MinGW (libz-mingw-w64-dev). Prints the install prefix as its only output.
#
# Usage: scripts/build-exiv2-windows.sh
#
# The prefix lies outside the clone, in the cache folder (T2N_CACHE, /var/cache/tallo2nmea by
# default): exiv2-VERSION-mingw-KEY, where KEY is a short hash of the source packages' versions,
# zlib's, the compiler's version and the options below. A run that finds it complete builds
# nothing; another build of the same key waits for the first (a lock beside it).
# The build happens in KEY.work and becomes the prefix only once installed whole.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
cache=${T2N_CACHE:-/var/cache/tallo2nmea}
triple=x86_64-w64-mingw32
jobs=${JOBS:-$(nproc)}

expat_options=(
    -DCMAKE_BUILD_TYPE=Release
    -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF
    -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_FUZZERS=OFF
    -DEXPAT_BUILD_PKGCONFIG=OFF
)
# As Debian's own build reads and writes photos (XMP, PNG, ISO media files, video containers,
# lens names), but static, without translations, network access or the exiv2 program.
exiv2_options=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF
    -DCMAKE_C_FLAGS=-DXML_STATIC -DCMAKE_CXX_FLAGS=-DXML_STATIC
    -DEXIV2_ENABLE_XMP=ON -DEXIV2_ENABLE_EXTERNAL_XMP=OFF -DEXIV2_ENABLE_PNG=ON
    -DEXIV2_ENABLE_BMFF=ON -DEXIV2_ENABLE_VIDEO=ON -DEXIV2_ENABLE_LENSDATA=ON
    -DEXIV2_ENABLE_PRINTUCS2=ON -DEXIV2_ENABLE_NLS=OFF -DEXIV2_ENABLE_WEBREADY=OFF
    -DEXIV2_ENABLE_CURL=OFF -DEXIV2_ENABLE_SSH=OFF -DEXIV2_ENABLE_WIN_UNICODE=OFF
    -DEXIV2_BUILD_SAMPLES=OFF -DEXIV2_BUILD_EXIV2_COMMAND=OFF -DEXIV2_BUILD_UNIT_TESTS=OFF
    -DEXIV2_BUILD_DOC=OFF -DEXIV2_TEAM_WARNINGS_AS_ERRORS=OFF
)

say() { echo "build-exiv2-windows: $*" >&2; }

# The newest version of a source package the machine's archives list; empty without deb-src
# entries, which scripts/debian-source.sh writes on its first call.
source_version() {
    apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -rV | head -n 1
}

# Unpacks a source package into a folder of its exact version and prints the tree's path.
fetch() {
    local package=$1 version=$2
    bash "$here/debian-source.sh" "$package" "$cache/sources/${package}_$version" | tail -n 1
}

if [ -z "$(source_version exiv2)" ] || [ -z "$(source_version expat)" ]; then
    say "writing deb-src entries"
    bash "$here/debian-source.sh" exiv2 "$cache/sources/first" >/dev/null
fi
exiv2_version=$(source_version exiv2)
expat_version=$(source_version expat)
zlib_version=$(dpkg-query -W -f='${Version}' libz-mingw-w64-dev)
compiler=$("$triple-g++-posix" --version | head -n 1)
key=$({
    printf '%s\n' "exiv2 $exiv2_version" "expat $expat_version" "zlib $zlib_version" "$compiler"
    printf '%s\n' "${expat_options[@]}" "${exiv2_options[@]}"
} | sha256sum | cut -c1-12)
upstream=${exiv2_version#*:}
prefix=$cache/exiv2-${upstream%%-*}-mingw-$key

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
mkdir -p "$work"
trap 'say "failed, the logs are in $work"; tail -n 30 "$work"/*.log >&2' ERR
exiv2_source=$(fetch exiv2 "$exiv2_version")
expat_source=$(fetch expat "$expat_version")
toolchain=$repo/cmake/mingw-w64-x86_64.cmake

say "expat $expat_version"
cmake -S "$expat_source/expat" -B "$work/expat" --toolchain "$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$work/prefix" "${expat_options[@]}" >"$work/expat.log" 2>&1
# Debian builds expat with autotools, whose configuration defines XML_DTD as 1; its security
# fixes test `XML_DTD == 1`, which the CMake template's empty definition breaks.
sed -i 's/^#define XML_DTD$/#define XML_DTD 1/' "$work/expat/expat_config.h"
cmake --build "$work/expat" -j "$jobs" >>"$work/expat.log" 2>&1
cmake --install "$work/expat" >>"$work/expat.log" 2>&1
expat_library=$(find "$work/prefix/lib" -maxdepth 1 -name 'libexpat*.a' | head -n 1)

say "exiv2 $exiv2_version"
cmake -S "$exiv2_source" -B "$work/exiv2" --toolchain "$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$work/prefix" -DEXPAT_INCLUDE_DIR="$work/prefix/include" \
    -DEXPAT_LIBRARY="$expat_library" "${exiv2_options[@]}" >"$work/exiv2.log" 2>&1
cmake --build "$work/exiv2" -j "$jobs" >>"$work/exiv2.log" 2>&1
cmake --install "$work/exiv2" >>"$work/exiv2.log" 2>&1
# The libraries under the names the project's CMake looks for.
[ "$expat_library" = "$work/prefix/lib/libexpat.a" ] || cp "$expat_library" "$work/prefix/lib/libexpat.a"

touch "$work/prefix/.complete"
mv "$work/prefix" "$prefix"
rm -rf "$work"
say "built in $(($(date +%s) - started)) s"
echo "$prefix"
