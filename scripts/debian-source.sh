#!/usr/bin/env bash
# Fetches and unpacks one Debian source package (Debian's patches applied) into a folder, from
# the archives this machine already installs its packages from.
#
# Usage: scripts/debian-source.sh PACKAGE DEST-FOLDER
#
# apt only fetches sources through `deb-src` entries. When the machine has none, one is written
# beside its own entries, copied from them (same addresses, suites, components and keyring), so
# no archive is named here. The unpacked tree is DEST-FOLDER/PACKAGE-VERSION; its path is printed
# as the last line.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 PACKAGE DEST-FOLDER" >&2
    exit 2
fi
package=$1
dest=$2

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

sources_dir=/etc/apt/sources.list.d
ours=$sources_dir/tallo2nmea-src.sources

has_deb_src() {
    grep -rqsE '^\s*(Types:.*\bdeb-src\b|deb-src\s)' /etc/apt/sources.list "$sources_dir" 2>/dev/null
}

# deb822 entries (*.sources) are copied stanza by stanza with Types: deb-src; one-line entries
# (sources.list, *.list) become one-line deb-src entries.
write_deb_src() {
    local tmp
    tmp=$(mktemp)
    for f in "$sources_dir"/*.sources; do
        [ -f "$f" ] && [ "$f" != "$ours" ] || continue
        # Every stanza is kept as it stands but for its Types line.
        sed -E 's/^Types:.*/Types: deb-src/' "$f" >>"$tmp"
        echo >>"$tmp"
    done
    for f in /etc/apt/sources.list "$sources_dir"/*.list; do
        [ -f "$f" ] || continue
        sed -nE 's/^\s*deb(\s+\[[^]]*\])?\s+/deb-src\1 /p' "$f" | awk '{
            print "Types: deb-src"; opts = ""
            if ($2 ~ /^\[/) { o = $2; gsub(/[][]/, "", o); split(o, kv, "=")
                if (kv[1] == "signed-by") opts = "Signed-By: " kv[2]; $2 = ""; $0 = $0; }
            print "URIs: " $2; print "Suites: " $3; c = ""
            for (i = 4; i <= NF; i++) c = c " " $i
            print "Components:" c; if (opts != "") print opts; print ""
        }' >>"$tmp"
    done
    if [ ! -s "$tmp" ]; then
        echo "debian-source: no deb entry to copy a deb-src entry from" >&2
        rm -f "$tmp"
        exit 1
    fi
    $SUDO install -m 0644 "$tmp" "$ours"
    rm -f "$tmp"
}

if ! has_deb_src; then
    write_deb_src
    $SUDO apt-get update -qq
fi
# dpkg-source unpacks and applies the patches.
if ! command -v dpkg-source >/dev/null; then
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends dpkg-dev
fi

mkdir -p "$dest"
cd "$dest"
# A second call with the same package reuses what is unpacked.
existing=$(find . -maxdepth 1 -type d -name "${package}-[0-9]*" | sort | tail -n 1)
if [ -z "$existing" ]; then
    # The newest version first; an archive may list a version whose files it no longer serves
    # (a security update replaced), so each listed version is tried in turn.
    fetched=""
    for version in "" $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV); do
        if apt-get source -qq "$package${version:+=$version}" >&2 2>/dev/null; then
            fetched=yes
            break
        fi
        rm -rf ./"${package}"_* ./"${package}"-[0-9]*
    done
    [ -n "$fetched" ] || {
        echo "debian-source: no version of $package could be fetched" >&2
        exit 1
    }
    existing=$(find . -maxdepth 1 -type d -name "${package}-[0-9]*" | sort | tail -n 1)
fi
[ -n "$existing" ] || {
    echo "debian-source: $package was not unpacked" >&2
    exit 1
}
echo "$PWD/${existing#./}"
