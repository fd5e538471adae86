#!/usr/bin/env bash
# Checks the Debian package that `make package` built, as a user's machine would see it: unpacks
# it into a scratch root, checks that every file lands where the desktop and man expect it, runs
# the installed programs from there, validates the desktop entry, the AppStream metainfo and
# the manual pages with their standard tools, checks the copyright file against LICENSE, and runs
# lintian on the package (any error fails; warnings are printed).
#
# Usage: scripts/check-package.sh [BUILD_DIR]   (default build-package)
set -euo pipefail

build=${1:-build-package}
app_id=org.example.Tallo2NMEA
license_file=$(cd "$(dirname "$0")/.." && pwd)/LICENSE

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
for dep in libqt6widgets6 libqt6gui6 libqt6core6 fonts-noto-cjk qt6-translations-l10n; do
    if grep -Eq "(^|, )$dep( |,|$)" <<<"$depends"; then
        pass "depends on $dep"
    else
        fail "Depends lacks $dep: $depends"
    fi
done
# The window loads Qt's Japanese translation from qt6-translations-l10n: that package, as installed
# here by scripts/install-deps.sh, must really hold it.
# (The list is taken whole first: grep -q leaving a pipe early would fail it under pipefail.)
translations=$(dpkg-query -L qt6-translations-l10n 2>/dev/null || true)
if grep -q '/qtbase_ja\.qm$' <<<"$translations"; then
    pass "qt6-translations-l10n ships qtbase_ja.qm"
else
    fail "qt6-translations-l10n is not installed here or ships no qtbase_ja.qm"
fi
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
    share/doc/tallo2nmea/geotag.md
    share/doc/tallo2nmea/copyright
    share/doc/tallo2nmea/changelog.gz
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

# ---- licence ------------------------------------------------------------------------------------
# The copyright file is read by python3-debian's parser of the machine-readable format (Debian's
# own interpreter: the one first on PATH may be another), and then held against LICENSE: the
# whole tree under one licence, MIT, with LICENSE's copyright holder and its text word for word.
copyright=$usr/share/doc/tallo2nmea/copyright
if [ -f "$copyright" ]; then
    if out=$(/usr/bin/python3 - "$copyright" "$license_file" 2>&1 <<'PY'
import re
import sys

from debian import copyright as dep5

path, license_path = sys.argv[1], sys.argv[2]
with open(path, encoding="utf-8") as f:
    parsed = dep5.Copyright(f, strict=True)
with open(license_path, encoding="utf-8") as f:
    license_lines = f.read().splitlines()

problems = []
header = parsed.header
if not header.upstream_name:
    problems.append("the header has no Upstream-Name")
files = list(parsed.all_files_paragraphs())
if not files or files[0].files != ("*",):
    problems.append("the first Files paragraph is not 'Files: *'")
texts = {p.license.synopsis: p.license.text for p in parsed.all_license_paragraphs()}
for p in files:
    name = p.license.synopsis
    if not p.license.text and not texts.get(name):
        problems.append(f"license {name!r} of Files {' '.join(p.files)} has no text")
if files and files[0].license.synopsis != "MIT":
    problems.append(f"'Files: *' is under {files[0].license.synopsis!r}, not MIT")

holder = next((re.sub(r"^Copyright (\(c\) )?", "", l) for l in license_lines
               if l.startswith("Copyright")), None)
if holder is None:
    problems.append("LICENSE has no copyright line")
elif files and holder not in (files[0].copyright or ""):
    problems.append(f"'Files: *' has Copyright {files[0].copyright!r}, LICENSE {holder!r}")

start = next((i for i, l in enumerate(license_lines) if l.startswith("Permission is hereby")), None)
mit = files[0].license.text or texts.get("MIT", "") if files else ""
if start is None:
    problems.append("LICENSE has no MIT permission notice")
elif mit.strip().splitlines() != [l.rstrip() for l in license_lines[start:]]:
    problems.append("the MIT text differs from LICENSE")

if problems:
    print("; ".join(problems))
    sys.exit(1)
PY
    ); then
        pass "copyright: machine-readable, MIT, matches LICENSE"
    else
        fail "copyright: $out"
    fi
fi
if [ -f "$metainfo" ]; then
    project_license=$(sed -n 's|.*<project_license>\(.*\)</project_license>.*|\1|p' "$metainfo")
    [ "$project_license" = MIT ] && pass "metainfo project_license MIT" ||
        fail "metainfo project_license is '$project_license', not MIT"
fi
changelog=$usr/share/doc/tallo2nmea/changelog.gz
if [ -f "$changelog" ]; then
    # A new version needs its own entry in packaging/debian/changelog.
    gzip -dc "$changelog" >"$root/changelog"
    top=$(dpkg-parsechangelog -l "$root/changelog" -S Version 2>&1) || true
    if [ "$top" = "$version" ]; then
        pass "changelog's latest entry is $version"
    else
        fail "changelog's latest entry is '$top', not the package version $version"
    fi
fi

# ---- lintian ----------------------------------------------------------------------------------
# Errors fail (lintian then exits non-zero, as it does when it cannot run); warnings are shown.
# Info tags are left out.
status=0
out=$(lintian "$deb" 2>&1) || status=$?
tags=$(grep -E '^[EW]: ' <<<"$out" || true)
if [ "$status" -eq 0 ] && ! grep -q '^E: ' <<<"$tags"; then
    pass "lintian: no errors${tags:+; warnings:}"
    [ -z "$tags" ] || sed 's/^/check-package:     /' <<<"$tags"
else
    fail "lintian (status $status): $(grep -v 'running with root privileges' <<<"$out")"
fi

if [ "$failures" -ne 0 ]; then
    echo "check-package: $failures check(s) failed" >&2
    exit 1
fi
echo "check-package: all checks passed"
