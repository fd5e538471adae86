#!/usr/bin/env bash
# Installs the Debian packages of the named groups, only those that are missing.
#
# Usage: scripts/install-deps.sh [GROUP...]   (no group means build)
#
#   build    what `make run` needs: compilers, CMake, Qt, Exiv2 (photo metadata), the Japanese
#            font and Qt's translations
#   test     what only the tests need: GoogleTest/GMock, Google Benchmark, clang for the fuzzers,
#            the package check's tools (lintian, validators, man) and the programs the client
#            tests read our GPX and NMEA back with
#   windows  the MinGW-w64 cross compiler, zlib for it, GoogleTest's sources, Wine, Qt's sources'
#            build tools and a virtual display, for the cross build of the Windows programs (Qt,
#            Exiv2 and expat built from Debian's sources) and their tests (make test-windows,
#            make package-windows); about a gigabyte, which `make run` never installs
set -euo pipefail

usage() {
    echo "usage: $0 [build|test|windows]..." >&2
    exit 2
}

group_packages() {
    case "$1" in
    build)
        echo build-essential cmake g++ make pkg-config
        echo qt6-base-dev libgl-dev
        # Photos: their metadata read and the position written by Exiv2.
        echo libexiv2-dev
        # Map files (MBTiles) are read through SQLite's C API; the map's tiles through QtNetwork.
        echo libsqlite3-dev
        # The window's Japanese texts need a CJK font and load Qt's own qtbase_ja.qm.
        echo fonts-noto-cjk qt6-translations-l10n
        ;;
    test)
        echo libgtest-dev libgmock-dev libbenchmark-dev
        echo clang libclang-rt-14-dev
        # make format-check and make tidy.
        echo clang-format clang-tidy
        # The package check: lintian, the desktop/AppStream validators, man and its helpers, and
        # python3-debian, whose parser reads the machine-readable copyright file.
        echo lintian desktop-file-utils appstream groff-base man-db dpkg-dev file python3-debian
        # The client tests' track and photo readers (gpsbabel, exiftool, gpxpy for Debian's
        # /usr/bin/python3, ImageMagick for a JPEG), and a virtual display for the window.
        echo gpsbabel libimage-exiftool-perl python3-gpxpy imagemagick xvfb xauth
        # make bench: the converter's peak memory.
        echo time
        ;;
    windows)
        echo g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine
        # Exiv2 and expat are cross-built from Debian's sources (scripts/build-exiv2-windows.sh)
        # with Debian's zlib for MinGW.
        echo libz-mingw-w64-dev dpkg-dev
        # SQLite's one-file source is generated from Debian's tree with its tclsh
        # (scripts/build-sqlite-windows.sh).
        echo tcl
        # The cross build compiles GoogleTest from the sources this package installs.
        echo googletest
        # The window's static Qt, built from Debian's qt6-base sources (dpkg-dev unpacks them)
        # with Ninja and Debian's moc, rcc and uic; Qt's Japanese texts go into the program.
        echo dpkg-dev ninja-build qt6-base-dev-tools qt6-translations-l10n
        # The window under Wine: a virtual display, a Japanese font, and the Japanese locale's
        # source, which the end-to-end test compiles (a Japanese Windows reads the file names).
        echo xvfb fonts-noto-cjk locales
        ;;
    *)
        echo "install-deps: unknown group '$1'" >&2
        usage
        ;;
    esac
}

groups=("$@")
if [ ${#groups[@]} -eq 0 ]; then groups=(build); fi

packages=()
for g in "${groups[@]}"; do
    # The group's list is read before use, so an unknown group stops the script here.
    list=$(group_packages "$g")
    read -r -a words <<<"$(tr '\n' ' ' <<<"$list")"
    packages+=("${words[@]}")
done

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
