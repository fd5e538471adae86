#!/usr/bin/env bash
# Runs every fuzz target for a while and prints the executions each one made.
#   fuzz/run-fuzzers.sh BUILD_DIR SECONDS [smoke]
# The seed corpora are regenerated first. A smoke run fuzzes from the seeds alone in a scratch
# corpus; a full run keeps what it finds in BUILD_DIR/corpus/<target> for the next run.
# Crashes, sanitizer reports, leaks, broken invariants and inputs that take longer than 10 s
# make the run fail; the input that caused it is left in BUILD_DIR/artifacts/.
set -euo pipefail

build=$1
seconds=$2
mode=${3:-full}

targets=(fuzz_block_log fuzz_block_log_full fuzz_sector_log fuzz_sector_log_full
         fuzz_smoothing fuzz_rmc_line fuzz_track_writers fuzz_photo fuzz_mbtiles fuzz_archive)

# Largest input per target: 3 blocks or 32 sectors (the nearly-full targets take 2 bytes more);
# fix tables of up to 4096 entries; up to 100 fixes for the line writers (after a 3-byte style);
# photos of up to 64 KiB with their settings and fixes; map files and archives of up to 64 KiB. Inputs may take these
# lengths from the start (-len_control=0): a block log shorter than 64 KiB decodes nothing.
max_len() {
    case $1 in
        fuzz_block_log) echo 196608 ;;
        fuzz_block_log_full) echo 196610 ;;
        fuzz_sector_log) echo 131072 ;;
        fuzz_sector_log_full) echo 131074 ;;
        fuzz_smoothing) echo 65537 ;;
        fuzz_rmc_line) echo 3800 ;;
        fuzz_track_writers) echo 3803 ;;
        fuzz_photo) echo 65536 ;;
        fuzz_mbtiles) echo 65536 ;;
        fuzz_archive) echo 65536 ;;
    esac
}

"$build/t2n_fuzz_seeds" "$build/seeds" > /dev/null
mkdir -p "$build/artifacts" "$build/logs"

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=1:allocator_may_return_null=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

status=0
summary=()
for t in "${targets[@]}"; do
    if [ "$mode" = smoke ]; then
        corpus="$build/smoke-corpus/$t"
        rm -rf "$corpus"
    else
        corpus="$build/corpus/$t"
    fi
    mkdir -p "$corpus"
    log="$build/logs/$t.log"
    if "$build/$t" "$corpus" "$build/seeds/${t#fuzz_}" \
        -max_total_time="$seconds" -max_len="$(max_len "$t")" -len_control=0 -timeout=10 \
        -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" > "$log" 2>&1; then
        result=ok
    else
        result=FAILED
        status=1
        grep -E -m 20 'ERROR|runtime error|broken invariant|bad line|Test unit written' "$log" || true
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -E -o 'cov: [0-9]+' "$log" | tail -n 1 || true)
    summary+=("$(printf '%-22s %-6s %12s executions  %s' "$t" "$result" "${runs:-?}" "$cov")")
done

echo "fuzzing, $seconds s per target ($mode):"
printf '  %s\n' "${summary[@]}"
exit $status
