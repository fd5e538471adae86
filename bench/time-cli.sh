#!/usr/bin/env bash
# The command-line converter as a process on full-size generated logs: the median wall time of
# several runs (the output replaced and synced, as a user gets it) and the peak memory; then the
# split exports of the compact log against one file of it, all written into a memory file system
# (Linux's /dev/shm where there is one) so that the syncs of some 2 000 files do not count.
#   bench/time-cli.sh BUILD-DIR [RUNS]
set -euo pipefail
build=$1
runs=${2:-11}
cli=$build/src/cli/tallo2nmea-cli
scratch=$(mktemp -d)
memory=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch" "$memory"' EXIT
"$build/bench/make-bench-log" block "$scratch/log.bin"
"$build/bench/make-bench-log" compact "$scratch/compact.bin"
"$build/bench/make-bench-log" sector "$scratch/log.BNX4"

# "median fastest" in ms: on a shared machine the fastest run shows the program's own cost best.
median_ms() {
    local times=()
    for _ in $(seq "$runs"); do
        local start end
        start=$(date +%s%N)
        "$cli" -q --bias -540 "$@" >/dev/null
        end=$(date +%s%N)
        times+=($(((end - start) / 1000)))
    done
    printf '%s\n' "${times[@]}" | sort -n |
        awk -v n="$runs" 'NR == 1 { low = $1 } NR == int((n + 1) / 2) { printf "%.1f %.1f", $1 / 1000, low / 1000 }'
}

printf '%-24s %-10s %10s %10s %12s\n' "conversion" "log" "median ms" "fastest" "peak MiB"
for log in log.bin compact.bin log.BNX4; do
    for format in "" "--format gpx" "--utc --gga"; do
        # shellcheck disable=SC2086
        ms=$(median_ms $format -o "$scratch/out" "$scratch/$log")
        # shellcheck disable=SC2086
        kib=$( { /usr/bin/time -f '%M' "$cli" -q --bias -540 $format -o "$scratch/out" "$scratch/$log" >/dev/null; } 2>&1 | tail -1)
        read -r median fastest <<<"$ms"
        printf '%-24s %-10s %10s %10s %12s\n' "${format:-rmc}" "$log" "$median" "$fastest" \
            "$(awk -v k="$kib" 'BEGIN { printf "%.1f", k / 1024 }')"
    done
done

printf '\n%-24s %-10s %10s %10s %12s\n' "into memory" "log" "median ms" "fastest" "x one file"
one=$(median_ms -o "$memory/one.nmea" "$scratch/compact.bin")
read -r one_median one_fastest <<<"$one"
printf '%-24s %-10s %10s %10s %12s\n' "one file" compact.bin "$one_median" "$one_fastest" 1.0
for mode in trip day; do
    mkdir -p "$memory/$mode"
    read -r median fastest <<<"$(median_ms --split "$mode" --output-dir "$memory/$mode" "$scratch/compact.bin")"
    printf '%-24s %-10s %10s %10s %12s\n' "--split $mode ($(find "$memory/$mode" -type f | wc -l) files)" \
        compact.bin "$median" "$fastest" "$(awk -v a="$median" -v b="$one_median" 'BEGIN { printf "%.2f", a / b }')"
done
