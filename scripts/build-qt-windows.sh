#!/usr/bin/env bash
# Builds the static Qt the Windows window links against, from Debian's own qt6-base source
# package, with the MinGW-w64 cross compiler, and keeps it in a cache outside the clone.
#
# Usage: scripts/build-qt-windows.sh            builds Qt unless it is cached; prints its prefix
#        scripts/build-qt-windows.sh --cached   prints the prefix if Qt is cached, else fails
#
# The prefix is CACHE/qt-VERSION-mingw-static-KEY, where KEY is a short hash of the source
# package's version, the configure options below, the cross compiler's and MinGW runtime's
# versions and this script's own format. A prefix with its stamp file is complete: a second run
# with the same key only prints it. CACHE is T2N_QT_CACHE, or /var/cache/tallo2nmea when this
# user may write there, or ~/.cache/tallo2nmea. The source and the build tree (about 2.5 GB) live
# in a scratch folder beside the prefix that is removed once Qt is installed.
#
# Environment: JOBS (parallel compile jobs, default the number of processors), T2N_QT_CACHE.
# Needs the `windows` group of scripts/install-deps.sh (the cross compiler, Ninja, Debian's Qt
# host tools moc/rcc/uic, dpkg-dev for the source).
set -euo pipefail

cached_only=""
case "${1:-}" in
--cached) cached_only=yes ;;
"") ;;
*)
    echo "usage: $0 [--cached]" >&2
    exit 2
    ;;
esac

here=$(cd "$(dirname "$0")" && pwd)
toolchain=$here/../cmake/mingw-w64-x86_64.cmake
jobs=${JOBS:-$(nproc)}

# Raised when the way Qt is built changes in a way the options below do not show.
format=1

# Debian's moc, rcc and uic generate the code, so the source must be the same Qt version.
host_tools_package=qt6-base-dev-tools
source_version=$(dpkg-query -W -f='${source:Version}' "$host_tools_package" 2>/dev/null) || {
    echo "build-qt-windows: $host_tools_package is missing (scripts/install-deps.sh windows)" >&2
    exit 1
}
upstream_version=$(dpkg-query -W -f='${source:Upstream-Version}' "$host_tools_package")
qt_version=${upstream_version%%+*}

# The smallest Qt the window and its tests need: Core, Gui, Widgets, Network and Test; the Windows
# platform plug-in for the program and the offscreen one for the tests; the Vista style. The map's
# tiles come over HTTPS through Windows' own TLS (Schannel), so no OpenSSL is built or shipped; the
# JPEG image plug-in reads aerial tiles. The libraries Qt
# bundles are built in, so the programs need no DLL but Windows' own. Debian's +dfsg tarball
# lacks the tablet (wintab) sources, so tablet events are off. OpenGL stays dynamic (loaded at run
# time) and Direct2D stays on: the Windows plug-in needs QOpenGLContext and, in 6.4, compiles its
# DirectWrite font database only with Direct2D.
options=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DFEATURE_pkg_config=OFF
    -DFEATURE_system_zlib=OFF
    -DFEATURE_system_png=OFF
    -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_libb2=OFF
    -DFEATURE_freetype=ON
    -DFEATURE_harfbuzz=ON
    -DFEATURE_png=ON
    -DFEATURE_jpeg=ON
    -DFEATURE_system_jpeg=OFF
    -DFEATURE_gif=OFF
    -DFEATURE_zstd=OFF
    -DFEATURE_icu=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_network=ON
    -DFEATURE_schannel=ON
    -DFEATURE_openssl=OFF
    -DINPUT_openssl=no
    -DFEATURE_libproxy=OFF
    -DFEATURE_gssapi=OFF
    -DFEATURE_brotli=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_vulkan=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_direct2d=ON
    -DFEATURE_direct2d1_1=OFF
    -DFEATURE_androiddeployqt=OFF
    -DFEATURE_windeployqt=OFF
    -DFEATURE_testlib=ON
    -DFEATURE_style_windowsvista=ON
    -DFEATURE_style_fusion=ON
)

compiler=x86_64-w64-mingw32-g++-posix
command -v "$compiler" >/dev/null || {
    echo "build-qt-windows: $compiler is missing (scripts/install-deps.sh windows)" >&2
    exit 1
}
compiler_versions=$("$compiler" -dumpfullversion)
for package in g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev; do
    compiler_versions+=" $(dpkg-query -W -f='${Version}' "$package" 2>/dev/null || echo none)"
done

key=$(printf '%s\n' "format $format" "source $source_version" "compiler $compiler_versions" \
    "${options[@]}" | sha256sum | cut -c1-12)

if [ -n "${T2N_QT_CACHE:-}" ]; then
    cache=$T2N_QT_CACHE
elif mkdir -p /var/cache/tallo2nmea 2>/dev/null && [ -w /var/cache/tallo2nmea ]; then
    cache=/var/cache/tallo2nmea
else
    cache=${XDG_CACHE_HOME:-$HOME/.cache}/tallo2nmea
fi
prefix=$cache/qt-$qt_version-mingw-static-$key
stamp=$prefix/tallo2nmea-qt.stamp
if [ -n "$cached_only" ]; then
    [ -f "$stamp" ] || exit 1
    echo "$prefix"
    exit 0
fi
mkdir -p "$cache"

# Two builds started side by side (make test-windows and make package-windows) build Qt once.
exec 9>"$prefix.lock"
flock 9
if [ -f "$stamp" ]; then
    echo "$prefix"
    exit 0
fi

scratch=$prefix.work
rm -rf "$scratch" "$prefix"
mkdir -p "$scratch"
log=$scratch/build.log
echo "build-qt-windows: building Qt $qt_version for Windows into $prefix (log: $log)" >&2
started=$(date +%s)

source_dir=$(bash "$here/debian-source.sh" qt6-base "$scratch/source" | tail -n 1)
case "$(basename "$source_dir")" in
qt6-base-"$upstream_version") ;;
*)
    echo "build-qt-windows: fetched $(basename "$source_dir"), but the host tools are" \
        "$upstream_version; update $host_tools_package first" >&2
    exit 1
    ;;
esac

# Qt's licences, Debian's copyright file of the source package, and for every library Qt bundles
# its attribution (qt_attribution.json: name, version, copyright, licence) with its licence files.
copy_notices() {
    local source=$1 dest=$2 json folder target files file
    mkdir -p "$dest/third-party"
    cp "$source"/LICENSES/*.txt "$dest/"
    cp "$source/debian/copyright" "$dest/debian-copyright.txt"
    (cd "$source/src" && find . -name qt_attribution.json -not -path '*/tests/*') | sort |
        while read -r json; do
            folder=$(dirname "${json#./}")
            target=$dest/third-party/${folder//\//-}
            mkdir -p "$target"
            cp "$source/src/$json" "$target/"
            # "LicenseFile": "NAME" or "LicenseFiles": [ "NAME", ... ]; names hold no spaces.
            files=$(sed -n 's/.*"LicenseFiles\{0,1\}": *//p' "$source/src/$json" | tr -d '[]",')
            for file in $files; do
                cp "$source/src/$folder/$file" "$target/"
            done
        done
}

fail() {
    echo "build-qt-windows: $1 failed; the end of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
}

nice -n 10 cmake -G Ninja -S "$source_dir" -B "$scratch/build" --toolchain "$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >"$log" 2>&1 || fail "configuring Qt"
echo "build-qt-windows: configured in $(($(date +%s) - started)) s; compiling with $jobs jobs" >&2
nice -n 10 cmake --build "$scratch/build" -j "$jobs" >>"$log" 2>&1 || fail "building Qt"
cmake --install "$scratch/build" >>"$log" 2>&1 || fail "installing Qt"

# What the prefix was built from, for the download's notices and for whoever rebuilds it.
printf '%s\n' "qt6-base $source_version (Debian source package)" \
    "compiler $compiler $compiler_versions" "options:" "${options[@]}" >"$prefix/tallo2nmea-qt.txt"
copy_notices "$source_dir" "$prefix/LICENSES"
echo "$key" >"$stamp"
rm -rf "$scratch"
echo "build-qt-windows: Qt built in $(($(date +%s) - started)) s" >&2
echo "$prefix"
