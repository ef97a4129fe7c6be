#!/usr/bin/env bash
# Builds the libFuzzer targets (preset `fuzz`) and runs each for the given number of seconds,
# as many at once as there are cores:
#
#     tools/fuzz.sh [SECONDS] [TARGET...]      e.g. tools/fuzz.sh 600 listing trim
#
# Targets: listing, report_line, trim, accuracy_value (all by default). Each target's corpus
# grows under build/fuzz/corpus/; the listing target starts from the example listings and the
# listings of tests/cases. An input that crashes, leaks, breaks an invariant or runs longer
# than 10 seconds is saved under build/fuzz/artifacts/ and makes the script fail; run the
# target on that file alone to see the report again.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift $(($# > 0 ? 1 : 0))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(listing report_line trim accuracy_value)
jobs=${FUZZ_JOBS:-$(nproc)}

command -v clang++ >/dev/null ||
    { echo "clang++ is missing: apt-get install clang libclang-rt-14-dev"; exit 1; }
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

out=build/fuzz
rm -rf "$out/seeds" "$out/logs"
mkdir -p "$out/seeds" "$out/logs" "$out/artifacts"

# Seeds: the listings the project already has, and a few texts of each field kind.
mkdir -p "$out/seeds/listing"
cp examples/*.lst "$out/seeds/listing/"
for listing in tests/cases/*/listing; do
    cp "$listing" "$out/seeds/listing/$(basename "$(dirname "$listing")")"
done
seed() {  # seed TARGET NAME TEXT: TEXT is a printf format
    mkdir -p "$out/seeds/$1"
    printf -- "$3" >"$out/seeds/$1/$2"
}
seed accuracy_value integer '   45678'
seed accuracy_value decimals '    123456.7'
seed accuracy_value exponent ' -1.5E-3*'
seed accuracy_value special '-NaN(12)'
seed accuracy_value hexadecimal '0x1Ap3'
seed trim both 'B \t 12.345 \r\n'
seed trim left 'l\v\f x  y\000'
seed trim other 'X \240x '
# report_line: the fields are separated by a backslash and one other byte.
seed report_line qq '   17\\|1042 \\|NORTH BASE\\|HILL 2\\| 1234.567\\|   45678\\|    123456.7\\|2'
seed report_line odd '\\|\\|\\|\\|12345678901\\|inf\\|-2.5e0\\|'

run() {  # run TARGET: fuzzes it for the given time; the status is libFuzzer's
    local target=$1
    mkdir -p "$out/corpus/$target"
    local options=()
    # The number reader reads 12 bytes at most: longer inputs only repeat what those find.
    [ "$target" != accuracy_value ] || options=(-max_len=16)
    "$out/fuzz/fuzz_$target" "${options[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$out/artifacts/$target-" \
        "$out/corpus/$target" "$out/seeds/$target" >"$out/logs/$target.log" 2>&1
}

pids=()
for target in "${targets[@]}"; do
    [ -x "$out/fuzz/fuzz_$target" ] || { echo "no such fuzz target: $target"; exit 1; }
    echo "fuzzing $target for ${seconds}s"
    run "$target" &
    pids+=($!)
    # Keep at most $jobs fuzzers running.
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
done

failed=0
for i in "${!targets[@]}"; do
    target=${targets[$i]}
    log="$out/logs/$target.log"
    status=0
    wait "${pids[$i]}" || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [ "$status" -eq 0 ]; then
        printf '%-15s ok      %12s executions\n' "$target" "${runs:-?}"
    else
        failed=1
        printf '%-15s FAILED  (libFuzzer status %s), log: %s\n' "$target" "$status" "$log"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|invariant broken|artifact_prefix|Test unit written)' \
            "$log" | head -20 || true
    fi
done
exit "$failed"
