#!/usr/bin/env bash
# Runs a Windows program with a desktop: a virtual X display (Xvfb) with every window of Wine's in
# one Wine virtual desktop, a Japanese Windows in the UTC time zone. The window's end-to-end test
# runs through it.
#
# Usage: tests/app/window-under-wine.sh PROGRAM.exe [ARG...]
#
# The Wine prefix is WINEPREFIX, which must be one of its own: its Wine server is stopped at the
# end, so that no desktop outlives the display it was drawn on.
set -euo pipefail

if [ $# -lt 1 ] || [ -z "${WINEPREFIX:-}" ]; then
    echo "usage: WINEPREFIX=DIR $0 PROGRAM.exe [ARG...]" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../scripts/wine-run.sh
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=wineserver

scratch=$(mktemp -d)
xvfb_pid=""
finish() {
    WINEPREFIX=$WINEPREFIX "$wineserver" -k 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap finish EXIT

# Xvfb picks a free display and writes its number to the descriptor it is given.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
done
if [ ! -s "$scratch/display" ]; then
    echo "window-under-wine: Xvfb did not start:" >&2
    cat "$scratch/xvfb.log" >&2
    exit 1
fi
export DISPLAY=:$(head -n 1 "$scratch/display")
# A Japanese Windows (its dialogs, its ANSI code page 932) in the UTC zone. Wine takes the locale
# from the host's, and it reads file names in the host locale's character set: the host needs a
# compiled ja_JP.UTF-8 locale, which localedef makes beside the prefix (Debian's `locales` has its
# source) when the system has none.
locales=$WINEPREFIX-locales
if [ ! -d "$locales/ja_JP.UTF-8" ]; then
    mkdir -p "$locales"
    localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8"
fi
export LOCPATH=$locales
export T2N_WINE_DISPLAY=$DISPLAY T2N_WINE_LANG=ja_JP.UTF-8 TZ=UTC

# Every program of the prefix runs in the virtual desktop "Default" (Wine's explorer draws it).
if ! grep -qs 'Explorer\\\\Desktops' "$WINEPREFIX/user.reg"; then
    bash "$wine_run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
    bash "$wine_run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1200x1000 \
        /f >/dev/null
fi

bash "$wine_run" "$@"
