#!/usr/bin/env bash
# Checks the Windows zip that `make package-windows` (or `make test-windows`) packed, as a user
# who unzips it would find it: the files beside the programs, text files with CR LF line ends,
# programs that import no DLL but Windows' own (no Qt, no MinGW runtime) and carry their manifest,
# and both programs answering --version under Wine from the unzipped folder. A zip of the
# converter alone (a build without the window) is checked for what it holds.
#
# Usage: scripts/check-windows-package.sh [BUILD_DIR]   (default build-windows-package)
set -euo pipefail

build=${1:-build-windows-package}
here=$(cd "$(dirname "$0")" && pwd)

failures=0
fail() {
    echo "check-windows-package: FAIL: $*" >&2
    failures=$((failures + 1))
}

shopt -s nullglob
zips=("$build"/tallo2nmea-*win64.zip)
shopt -u nullglob
if [ ${#zips[@]} -ne 1 ]; then
    echo "check-windows-package: expected one tallo2nmea-*win64.zip in $build," \
        "found ${#zips[@]}" >&2
    exit 1
fi
zip=$(cd "$(dirname "${zips[0]}")" && pwd)/$(basename "${zips[0]}")
name=$(basename "$zip" .zip)
release=${name%-win64}
release=${release##*-}
# Wine's prefix of the build folder (made on first use).
WINEPREFIX=$(cd "$build" && pwd)/wine-prefix
export WINEPREFIX

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$scratch" && cmake -E tar xf "$zip")
root=$scratch/$name
[ -d "$root" ] || {
    echo "check-windows-package: $zip has no folder $name" >&2
    exit 1
}

programs=(tallo2nmea-cli.exe)
texts=(tallo2nmea-cli.txt geotag.txt LICENSE.txt)
case "$name" in
tallo2nmea-cli-*) ;;
*)
    programs+=(tallo2nmea.exe)
    texts+=(tallo2nmea.txt README.txt)
    for notice in LGPL-3.0-only.txt GPL-3.0-only.txt debian-copyright.txt qt-build.txt \
        third-party/3rdparty-freetype/LICENSE.txt third-party/3rdparty-harfbuzz-ng/COPYING \
        third-party/3rdparty-libpng/LICENSE third-party/3rdparty-zlib/LICENSE \
        third-party/3rdparty-pcre2/LICENCE; do
        [ -s "$root/qt-licenses/$notice" ] || fail "qt-licenses/$notice is missing"
    done
    grep -q "qt6-base=[0-9]" "$root/README.txt" ||
        fail "README.txt does not name the version of Qt's source"
    ;;
esac

for text in "${texts[@]}"; do
    if [ ! -s "$root/$text" ]; then
        fail "$text is missing"
    elif [ "$(grep -c $'\r$' "$root/$text")" -ne "$(wc -l <"$root/$text")" ]; then
        fail "$text has lines without CR LF"
    fi
done

# A DLL that Windows does not bring would have to lie beside the program.
for program in "${programs[@]}"; do
    [ -f "$root/$program" ] || {
        fail "$program is missing"
        continue
    }
    imports=$(x86_64-w64-mingw32-objdump -p "$root/$program" | sed -n 's/^\s*DLL Name: //p')
    foreign=$(grep -iE '^(qt|lib|zlib|pcre|freetype|harfbuzz|icu)' <<<"$imports" || true)
    [ -z "$foreign" ] || fail "$program imports $(tr '\n' ' ' <<<"$foreign")"
    grep -q '<longPathAware[^>]*>true<' "$root/$program" ||
        fail "$program has no long-path manifest"
    printed=$(cd "$root" && bash "$here/wine-run.sh" "./$program" --version 2>/dev/null |
        tr -d '\r')
    [ "$printed" = "${program%.exe} $release" ] || fail "$program --version printed '$printed'"
    echo "check-windows-package: $program $(stat -c %s "$root/$program") bytes, imports" \
        "$(tr '\n' ' ' <<<"$imports")"
done

if [ "$failures" -ne 0 ]; then
    echo "check-windows-package: $failures failure(s) in $zip" >&2
    exit 1
fi
echo "check-windows-package: ok: $zip"
