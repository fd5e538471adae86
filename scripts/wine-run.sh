#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix of its own, for the cross build's tests.
#
# Usage: scripts/wine-run.sh PROGRAM.exe [ARG...]
#
# The prefix lives in the build folder that holds PROGRAM (the folder with CMakeCache.txt above
# it), or in WINEPREFIX when that is set. It is made on first use, under a lock, so that test
# programs started side by side share one prefix. No display is needed: the Mono and Gecko
# installers that Wine offers are turned off, and so are Wine's debug messages (unless WINEDEBUG
# asks for some).
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 PROGRAM.exe [ARG...]" >&2
    exit 2
fi

wine=""
for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
        wine=$candidate
        break
    fi
done
if [ -z "$wine" ]; then
    echo "wine-run: Wine is not installed (scripts/install-deps.sh windows)" >&2
    exit 127
fi

if [ -z "${WINEPREFIX:-}" ]; then
    dir=$(cd "$(dirname "$1")" && pwd)
    while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
    if [ "$dir" = / ]; then
        echo "wine-run: $1 lies in no build folder; set WINEPREFIX" >&2
        exit 2
    fi
    WINEPREFIX=$dir/wine-prefix
fi
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8
# The programs' locale: T2N_WINE_LANG (ja_JP.UTF-8 gives Wine's dialogs in Japanese and the
# Japanese ANSI code page, also where the system has no such locale), else C.UTF-8.
locale=${T2N_WINE_LANG:-C.UTF-8}
# No display but the one a caller hands over in T2N_WINE_DISPLAY (the window's tests).
unset WAYLAND_DISPLAY
if [ -n "${T2N_WINE_DISPLAY:-}" ]; then
    export DISPLAY=$T2N_WINE_DISPLAY
else
    unset DISPLAY
fi

wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=wineserver

# One program at a time makes the prefix and starts Wine's server and its services: programs that
# start them side by side race, and one of them loses its connection. The server stays 30 s after
# its last program, so that it does not go away between two tests. Neither it nor the services
# hold the lock or the caller's output, which a test runner waits on until it is closed.
mkdir -p "$WINEPREFIX"
(
    flock 9
    exec </dev/null >/dev/null 2>&1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$wine" wineboot --init 9>&- || true
        "$wineserver" --wait 9>&- || true
    fi
    if "$wineserver" -p30 9>&-; then
        "$wine" cmd.exe /c exit 9>&- || true
    fi
) 9>"$WINEPREFIX.lock"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-run: could not make the Wine prefix $WINEPREFIX" >&2
    exit 1
fi

exec env LANG="$locale" LC_ALL="$locale" "$wine" "$@"
