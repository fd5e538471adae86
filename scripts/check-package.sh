#!/usr/bin/env bash
# Checks the Debian package that `make package` built, as a user's machine would see it: unpacks
# it into a scratch root, checks that every file lands where the desktop and man expect it, runs
# the installed programs from there, and validates the desktop entry, the AppStream metainfo and
# the manual pages with their standard tools.
#
# Usage: scripts/check-package.sh [BUILD_DIR]   (default build-package)
set -euo pipefail

build=${1:-build-package}
app_id=org.example.Tallo2NMEA

failures=0
fail() {
    echo "check-package: FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() { echo "check-package: ok: $*"; }

shopt -s nullglob
debs=("$build"/tallo2nmea_*.deb)
shopt -u nullglob
if [ ${#debs[@]} -ne 1 ]; then
    echo "check-package: expected one tallo2nmea_*.deb in $build, found ${#debs[@]}" >&2
    exit 1
fi
deb=${debs[0]}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
echo "check-package: $deb unpacked into a scratch root"

# ---- control fields ---------------------------------------------------------------------------
version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
[ "$(dpkg-deb -f "$deb" Package)" = tallo2nmea ] && pass "package name" || fail "package name"
for dep in libqt6widgets6 libqt6gui6 libqt6core6 fonts-noto-cjk; do
    if grep -Eq "(^|, )$dep( |,|$)" <<<"$depends"; then
        pass "depends on $dep"
    else
        fail "Depends lacks $dep: $depends"
    fi
done
maintainer=$(dpkg-deb -f "$deb" Maintainer)
grep -q '@example\.org>' <<<"$maintainer" && pass "maintainer" || fail "maintainer: $maintainer"

# ---- files ------------------------------------------------------------------------------------
usr=$root/usr
files=(
    bin/tallo2nmea
    bin/tallo2nmea-cli
    share/applications/$app_id.desktop
    share/metainfo/$app_id.metainfo.xml
    share/icons/hicolor/scalable/apps/$app_id.svg
    share/man/man1/tallo2nmea-cli.1.gz
    share/man/man1/tallo2nmea.1.gz
    share/doc/tallo2nmea/window.md
    share/doc/tallo2nmea/cli.md
)
for size in 16 32 48 64 128 256; do
    files+=("share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
for f in "${files[@]}"; do
    [ -f "$usr/$f" ] && pass "/usr/$f" || fail "missing /usr/$f"
done
for size in 16 32 48 64 128 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
    [ -f "$png" ] || continue
    file -b "$png" | grep -q "PNG image data, $size x $size" || fail "$png is not $size x $size"
done
for exe in tallo2nmea tallo2nmea-cli; do
    bin=$usr/bin/$exe
    [ -f "$bin" ] || continue
    [ -x "$bin" ] || fail "$exe is not executable"
    file -b "$bin" | grep -q '^ELF .* executable' || fail "$exe is not an ELF executable"
    if ldd "$bin" | grep -q 'not found'; then
        fail "$exe needs libraries that are missing: $(ldd "$bin" | grep 'not found' | tr '\n' ' ')"
    fi
done

# ---- the installed command-line converter ------------------------------------------------------
cli=$usr/bin/tallo2nmea-cli
if [ -x "$cli" ]; then
    if out=$("$cli" --version 2>&1); then
        if grep -qF "${version%%-*}" <<<"$out"; then
            pass "tallo2nmea-cli --version runs from the installed location: $out"
        else
            fail "tallo2nmea-cli --version prints '$out', not the package version $version"
        fi
    else
        fail "tallo2nmea-cli --version exits with an error: $out"
    fi
    # A log without any fix (an empty block log) converts to an empty file with status 0.
    work=$root/work
    mkdir -p "$work"
    : >"$work/empty.binx"
    if "$cli" "$work/empty.binx" >/dev/null 2>&1 && [ -f "$work/empty.nmea" ] &&
        [ ! -s "$work/empty.nmea" ]; then
        pass "installed tallo2nmea-cli converts an empty log to an empty file"
    else
        fail "installed tallo2nmea-cli did not convert an empty log"
    fi
    status=0
    "$cli" "$work/missing.binx" >/dev/null 2>&1 || status=$?
    [ "$status" -eq 3 ] && pass "a missing input exits with 3" ||
        fail "a missing input exits with $status, not 3"
fi

# ---- the installed window starts -----------------------------------------------------------------
# Under the offscreen platform the window has nothing to wait for but its own event loop: still
# running when the timeout ends it means it started; an early exit or a crash is a failure.
app=$usr/bin/tallo2nmea
if [ -x "$app" ]; then
    status=0
    HOME=$root/work QT_QPA_PLATFORM=offscreen timeout 5 "$app" >"$root/app.log" 2>&1 || status=$?
    if [ "$status" -eq 124 ]; then
        pass "installed tallo2nmea starts and runs its event loop"
    else
        fail "installed tallo2nmea ended with status $status: $(head -c 600 "$root/app.log")"
    fi
fi

# ---- validators -------------------------------------------------------------------------------
desktop=$usr/share/applications/$app_id.desktop
if [ -f "$desktop" ]; then
    # Hints are advice; errors and warnings fail.
    if out=$(desktop-file-validate "$desktop" 2>&1) && ! grep -Eq 'error|warning' <<<"$out"; then
        pass "desktop-file-validate${out:+ (${out//$desktop: /})}"
    else
        fail "desktop-file-validate: $out"
    fi
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [ -x "$usr/bin/$exec_name" ] || fail "the desktop entry runs '$exec_name', not installed"
    icon_name=$(sed -n 's/^Icon=//p' "$desktop")
    [ -f "$usr/share/icons/hicolor/256x256/apps/$icon_name.png" ] ||
        fail "the desktop entry's icon '$icon_name' is not installed"
fi
metainfo=$usr/share/metainfo/$app_id.metainfo.xml
if [ -f "$metainfo" ]; then
    if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
        pass "appstreamcli validate --no-net"
    else
        fail "appstreamcli validate --no-net: $out"
    fi
    # The metainfo, the desktop entry and the icons checked together, as a software centre sees them.
    if out=$(appstreamcli validate-tree --no-net "$root" 2>&1); then
        pass "appstreamcli validate-tree --no-net"
    else
        fail "appstreamcli validate-tree --no-net: $out"
    fi
    grep -q "<release version=\"${version%%-*}\"" "$metainfo" ||
        fail "the metainfo has no release $version"
fi
for page in "$usr"/share/man/man1/*.1.gz; do
    [ -f "$page" ] || continue
    # man prints groff's warnings on stderr; a clean page prints nothing there.
    if out=$(MANWIDTH=80 MANPAGER=cat man --warnings -l "$page" 2>&1 >/dev/null) && [ -z "$out" ]; then
        pass "man --warnings -l $(basename "$page")"
    else
        fail "man --warnings -l $(basename "$page"): $out"
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "check-package: $failures check(s) failed" >&2
    exit 1
fi
echo "check-package: all checks passed"
