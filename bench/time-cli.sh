#!/usr/bin/env bash
# The command-line converter as a process on full-size generated logs: the median wall time of
# several runs (the output replaced and synced, as a user gets it) and the peak memory.
#   bench/time-cli.sh BUILD-DIR [RUNS]
set -euo pipefail
build=$1
runs=${2:-11}
cli=$build/src/cli/tallo2nmea-cli
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$build/bench/make-bench-log" block "$scratch/log.bin"
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
for log in log.bin log.BNX4; do
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
