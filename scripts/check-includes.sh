#!/usr/bin/env bash
# The floors of src/, in the order of use: a file may include its own floor and the floors below
# it, never one above, and the two front ends (app, cli) never each other. Any other folder of
# src/ must be placed here first. Prints every include that breaks the order; fails if any does.
#   scripts/check-includes.sh [SRC-FOLDER]
set -euo pipefail
src=${1:-"$(dirname "$0")/../src"}
# sqlite: the SQLite C API behind a few RAII types (map files, the archive); archive: every fix
# ever imported, in one SQLite file (it loads logs; convert/ reads it as a source); tiles: the map's
# Qt-free parts (tile maths, map files, the disk cache's rules); map: the tile sources on Qt, for
# the window alone.
floors=(system sqlite store decoders load archive export photos convert tiles geometry messages map)
fronts=(app cli)

rank() {
    local i
    for i in "${!floors[@]}"; do
        [ "${floors[$i]}" = "$1" ] && { echo "$i"; return; }
    done
    for i in "${fronts[@]}"; do
        [ "$i" = "$1" ] && { echo "${#floors[@]}"; return; }
    done
    echo -1
}

bad=0
while IFS= read -r -d '' file; do
    rel=${file#"$src"/}
    floor=${rel%%/*}
    own=$(rank "$floor")
    if [ "$own" -lt 0 ]; then
        echo "$rel: the folder '$floor' has no place among the floors (scripts/check-includes.sh)"
        bad=1
        continue
    fi
    while IFS= read -r included; do
        target=${included%%/*}
        [ "$target" = "$included" ] && continue # a header of its own folder, or generated
        theirs=$(rank "$target")
        [ "$theirs" -lt 0 ] && continue # not a folder of src/
        if [ "$theirs" -gt "$own" ] || { [ "$theirs" -eq "$own" ] && [ "$target" != "$floor" ] &&
            [ "$own" -eq "${#floors[@]}" ]; }; then
            echo "$rel includes $included: $floor may not include $target"
            bad=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$src" -mindepth 2 -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)

while IFS= read -r hit; do
    case "${hit%%:*}" in
    cli/main.cpp | app/main.cpp) continue ;;
    esac
    echo "$hit: only the two mains test _WIN32; system/ has a file per system instead"
    bad=1
done < <(cd "$src" && grep -rn --include='*.cpp' --include='*.h' '_WIN32' -- * || true)
exit "$bad"
