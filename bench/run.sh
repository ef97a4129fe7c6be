#!/usr/bin/env bash
# Benchmark of whole runs on generated listings of both layouts, with a warm file cache; Linux
# only, never a test. Prints Markdown tables (aligned, so they read as well in a terminal):
#   - per layout, size and memory regime (warm: fresh memory touched just before each run,
#     the fastest of 5 rounds; cold: 5 s of rest first, the fastest of 3): the time to write
#     the report to a new file against the dd floor of the same bytes (`dd bs=1M` of the
#     listing to /dev/null, then of the report to a new file), run alternately; the CPU time
#     (user + system) of the fastest run per GiB of listing, and the peak resident memory;
#     with the 1-minute load average before and after each layout, and the phases of one run;
#   - small listings (a 5 MiB QQ listing, the bundled examples): the median of many runs.
# BENCH_BASELINE=<git revision> adds the same runs of that revision's tool, built in a scratch
# worktree under build/bench/, alternating with the current one.
# Each report is checked: exit code 0, one record line per entry (or QQ record), lines in
# external-accuracy order, and small reference slices byte for byte.
#
#   [BENCH_BASELINE=rev] bench/run.sh [sizes...]      default sizes: 64M 256M 1G
set -euo pipefail
export LC_ALL=C  # a decimal point in $EPOCHREALTIME and in awk's figures
cd "$(dirname "$0")/.."

sizes=("$@")
[ $# -gt 0 ] || sizes=(64M 256M 1G)
warm_rounds=5
cold_rounds=3
small_runs=41  # odd, so that the median is one run
build=build/default
work=build/bench

fail() { echo "FAILED: $*" >&2; exit 1; }

[ -x /usr/bin/time ] || fail "/usr/bin/time is missing: apt-get install time"
mkdir -p "$work"
cmake --preset default >/dev/null
cmake --build --preset default --target vandlor2 make_listing phases touch_memory >/dev/null
tool=$build/vandlor2

# The baseline is built from its own checkout, so that the current tree is left alone.
baseline=""
if [ -n "${BENCH_BASELINE:-}" ]; then
    revision=$(git rev-parse --verify --quiet "$BENCH_BASELINE^{commit}") ||
        fail "BENCH_BASELINE=$BENCH_BASELINE is no git revision"
    checkout=$work/baseline-${revision:0:12}
    if [ ! -e "$checkout/.git" ]; then
        git worktree prune  # forgets checkouts that a `make clean` removed
        git worktree add --detach "$checkout" "$revision" >/dev/null 2>&1
    fi
    (cd "$checkout" && cmake --preset default -DVANDLOR2_BUILD_TESTS=OFF >/dev/null &&
        cmake --build --preset default --target vandlor2 >/dev/null)
    baseline=$checkout/build/default/vandlor2
fi

# Runs a command with its output discarded and sets `elapsed` (microseconds of wall time).
# With `peak` as the first argument the command runs under /usr/bin/time, which also sets
# `peak_kib` and `cpu_seconds` (user + system); the tool's and the baseline's runs all go
# under it, so that they pay its cost alike.
run_timed() {
    local wrapper=()
    if [ "$1" = peak ]; then
        shift
        wrapper=(/usr/bin/time -f '%U %S %M' -o "$work/peak.txt")
    fi
    local start=$EPOCHREALTIME
    "${wrapper[@]}" "$@" >/dev/null || fail "exit code $?: $*"
    local end=$EPOCHREALTIME
    elapsed=$((${end/./} - ${start/./}))
    if [ ${#wrapper[@]} -gt 0 ]; then
        local user system
        read -r user system peak_kib < <(tail -n 1 "$work/peak.txt")
        cpu_seconds=$(calc '%.2f' 'u + s' u="$user" s="$system")
    fi
}

# The index of the smallest of the arguments (the first of equals): the fastest round, the one
# that other work on the machine disturbed least.
fastest_index() {
    printf '%s\n' "$@" | awk 'NR == 1 || $1 < least { least = $1; at = NR - 1 }
                               END { print at }'
}
fastest() {
    local times=("$@")
    echo "${times[$(fastest_index "$@")]}"
}
median() {
    printf '%s\n' "$@" | sort -n |
        awk '{ v[NR] = $1 }
             END { printf "%.1f\n", (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2 }'
}
# Evaluates an awk expression on the given name=value pairs, e.g. calc '%.2f' 'a / b' a=1 b=2.
calc() {
    local format=$1 expression=$2 assignments=()
    shift 2
    for pair; do assignments+=(-v "$pair"); done
    awk "${assignments[@]}" "BEGIN { printf \"$format\", $expression }"
}
load_average() { cut -d' ' -f1 /proc/loadavg; }

# Markdown tables, aligned in the terminal too: `table_header LABEL_WIDTH NAME...` sets the
# column widths (the first column holds labels, left-aligned), `table_row CELL...` follows.
table_header() {
    widths=("$1")
    shift
    local name column dashes rule='|'
    for name in "${@:2}"; do widths+=($((${#name} > 6 ? ${#name} : 6))); done
    table_row "$@"
    for column in "${!widths[@]}"; do
        dashes=$(printf "%$((widths[column] + 1))s" '' | tr ' ' -)
        if ((column == 0)); then rule+=":$dashes|"; else rule+="$dashes:|"; fi
    done
    echo "$rule"
}
table_row() {
    local column=0 cell
    printf '| %-*s |' "${widths[0]}" "$1"
    for cell in "${@:2}"; do printf ' %*s |' "${widths[++column]}" "$cell"; done
    printf '\n'
}

record_lines_expected() {
    if [ "$1" = plain ]; then grep -c '^ FROM: ' "$2"; else grep -c '^.... QQ' "$2"; fi
}

# One record line per entry (or QQ record), in ascending external accuracy.
check_report() {
    local name=$1 layout=$2 listing=$3 report=$4 lines expected
    lines=$(grep -c '   1: ' "$report")
    expected=$(record_lines_expected "$layout" "$listing")
    [ "$lines" = "$expected" ] || fail "$name: $lines record lines, expected $expected"
    awk -F'1: *' '/   1: / { v = $NF + 0; if (v < last) { bad = 1; exit } last = v }
                  END { exit bad }' "$report" || fail "$name: report out of order"
}

# Small listings whose reports were checked by hand.
check_reference_slices() {
    local layout
    for layout in plain qq; do
        "$build/make_listing" 64K "$layout" 1 "$work/$layout-64K.lst"
        (cd "$work" && ../../"$tool" "$layout-64K.lst" "$layout-64K.rpt" >/dev/null) ||
            fail "$layout-64K: exit code $?"
        cmp -s "$work/$layout-64K.rpt" "bench/reference/$layout-64K.rpt" ||
            fail "$layout report differs from bench/reference/$layout-64K.rpt"
    done
    echo "Reference slices: identical."
}

# Readies the machine for one timed run. Warm: 2 GiB of fresh memory touched just before, as a
# machine that has just run something leaves it (about what bare metal gives). Cold: 5 s of
# rest first, after which a virtual machine may have handed its freed memory back to its host,
# so that fresh memory costs far more (what one run by hand meets there).
ready() {
    if [ "$1" = warm ]; then "$build/touch_memory" 2048; else sleep 5; fi
}

# Rounds of tool, dd floor (and baseline) alternate so that a change in the machine's load
# meets all of them alike, each readied for the regime. A sync before each run, outside the
# timing, keeps one run's write-back out of the next; deleting the target first makes every
# run write a new file. The dd floor is the reference a program that computes its report can
# be held to: reading the listing and writing a new file of the report's bytes, with no work
# in between (`cp` is no such reference, as it hands the copy to the kernel). The two dd runs
# go without the /usr/bin/time wrapper: under it, their two starts would cost twice what the
# tool's one does (about 1 ms each); bare, the tool's wrapper counts against the tool.
measure_size() {
    local layout=$1 size=$2 regime=$3 rounds=$4
    local listing=$work/$layout-$size.lst report=$work/$layout-$size.rpt
    local copy=$work/$layout-$size.copy baseline_report=$work/$layout-$size.base.rpt
    local tool_times=() tool_cpus=() io_times=() baseline_times=() baseline_cpus=() peak=0
    local baseline_peak=0 round read_us
    cat "$listing" >/dev/null  # the file cache
    for ((round = 0; round < rounds; round++)); do
        rm -f "$report" && sync
        ready "$regime"
        run_timed peak "$tool" "$listing" "$report"
        tool_times+=("$elapsed")
        tool_cpus+=("$cpu_seconds")
        ((peak_kib > peak)) && peak=$peak_kib
        rm -f "$copy" && sync
        ready "$regime"
        run_timed dd if="$listing" of=/dev/null bs=1M status=none
        read_us=$elapsed
        run_timed dd if="$report" of="$copy" bs=1M status=none
        io_times+=($((read_us + elapsed)))
        if [ -n "$baseline" ]; then
            rm -f "$baseline_report" && sync
            ready "$regime"
            run_timed peak "$baseline" "$listing" "$baseline_report"
            baseline_times+=("$elapsed")
            baseline_cpus+=("$cpu_seconds")
            ((peak_kib > baseline_peak)) && baseline_peak=$peak_kib
        fi
    done
    check_report "$layout $size" "$layout" "$listing" "$report"
    cmp -s "$report" "$copy" || fail "$layout $size: dd's copy differs from the report"
    if [ -n "$baseline" ]; then
        cmp -s "$report" "$baseline_report" || fail "$layout $size: the baseline's report differs"
    fi

    local bytes gib tool_us cpu io_us row fastest_run
    bytes=$(stat -c %s "$listing")
    gib=$(calc '%.6f' 'b / 2^30' b="$bytes")
    fastest_run=$(fastest_index "${tool_times[@]}")
    tool_us=${tool_times[fastest_run]}
    cpu=${tool_cpus[fastest_run]}
    io_us=$(fastest "${io_times[@]}")
    row=("$size" "$regime" "$(calc '%.2f' 't / 1e6' t="$tool_us")"
         "$(calc '%.2f' 'i / 1e6' i="$io_us")" "$(calc '%.2fx' 't / i' t="$tool_us" i="$io_us")"
         "$(calc '%.2f' 'c / g' c="$cpu" g="$gib")"
         "$(calc '%.0f' 'k / 1024' k="$peak")" "$(calc '%.2f' 'k * 1024 / b' k="$peak" b="$bytes")")
    if [ -n "$baseline" ]; then
        local baseline_us baseline_run
        baseline_run=$(fastest_index "${baseline_times[@]}")
        baseline_us=${baseline_times[baseline_run]}
        row+=("$(calc '%.2f' 'r / 1e6' r="$baseline_us")"
              "$(calc '%.2fx' 't / r' t="$tool_us" r="$baseline_us")"
              "$(calc '%.2f' 'c / g' c="${baseline_cpus[baseline_run]}" g="$gib")"
              "$(calc '%.0f' 'k / 1024' k="$baseline_peak")")
    fi
    table_row "${row[@]}"
    rm -f "$report" "$copy" "$baseline_report"  # about the listing's size each
}

measure_layout() {
    local layout=$1 size header load_before regime
    for size in "${sizes[@]}"; do
        [ -f "$work/$layout-$size.lst" ] ||
            "$build/make_listing" "$size" "$layout" 1 "$work/$layout-$size.lst"
    done
    echo
    echo "### $layout listing"
    echo
    header=(size regime "file s" "dd floor s" "file/floor" "CPU s/GiB" "peak MiB" "peak/listing")
    [ -z "$baseline" ] || header+=("baseline s" "file/baseline" "baseline CPU s/GiB"
                                   "baseline peak MiB")
    table_header 5 "${header[@]}"
    load_before=$(load_average)
    for size in "${sizes[@]}"; do
        measure_size "$layout" "$size" warm "$warm_rounds"
        measure_size "$layout" "$size" cold "$cold_rounds"
    done
    echo
    echo "Load average (1 min): $load_before before, $(load_average) after."
    # The phases of one run in-process, warm.
    "$build/touch_memory" 2048
    echo '```'
    "$build/phases" "$work/$layout-${sizes[-1]}.lst"
    echo '```'
}

# Start-up and single-core paths: many runs of a report to a new file, the baseline's
# alternating with the current tool's, after one untimed run of each.
measure_small() {
    local listings=("$work/qq-5M.lst" examples/*.lst) listing header load_before
    [ -f "$work/qq-5M.lst" ] || "$build/make_listing" 5M qq 1 "$work/qq-5M.lst"
    echo
    echo "### Small listings: report to a new file, median of $small_runs runs"
    echo
    header=(listing KiB "current ms")
    [ -z "$baseline" ] || header+=("baseline ms" "current/baseline" report)
    table_header 13 "${header[@]}"
    load_before=$(load_average)
    for listing in "${listings[@]}"; do
        local report=$work/small.rpt baseline_report=$work/small.base.rpt
        local times=() baseline_times=() run row
        for ((run = 0; run <= small_runs; run++)); do
            # Which of the two goes first alternates, so that neither always follows the other.
            if [ -n "$baseline" ] && ((run % 2 == 1)); then
                rm -f "$baseline_report"
                run_timed "$baseline" "$listing" "$baseline_report"
                baseline_times+=("$elapsed")
            fi
            rm -f "$report"
            run_timed "$tool" "$listing" "$report"
            ((run == 0)) || times+=("$elapsed")
            if [ -n "$baseline" ] && ((run % 2 == 0)); then
                rm -f "$baseline_report"
                run_timed "$baseline" "$listing" "$baseline_report"
                ((run == 0)) || baseline_times+=("$elapsed")
            fi
        done
        local current_us
        current_us=$(median "${times[@]}")
        row=("$(basename "$listing" .lst)" "$(calc '%.0f' 'b / 1024' b="$(stat -c %s "$listing")")"
             "$(calc '%.2f' 't / 1000' t="$current_us")")
        if [ -n "$baseline" ]; then
            local baseline_us same=same
            baseline_us=$(median "${baseline_times[@]}")
            cmp -s "$report" "$baseline_report" || same=differs
            row+=("$(calc '%.2f' 't / 1000' t="$baseline_us")"
                  "$(calc '%.2fx' 't / b' t="$current_us" b="$baseline_us")" "$same")
        fi
        table_row "${row[@]}"
    done
    echo
    echo "Load average (1 min): $load_before before, $(load_average) after."
}

check_reference_slices
echo
echo "## vandlor2 benchmark, $(date -u +%F): $(git describe --always --dirty)" \
    "${BENCH_BASELINE:+against $BENCH_BASELINE}"
echo
echo "$(nproc) CPUs; warm file cache. Wall times are the fastest of $warm_rounds alternating rounds"
echo "warm (2 GiB of fresh memory touched before each run) and of $cold_rounds cold (5 s of rest first)."
echo "file: the tool writes its report to a new file;"
echo "dd floor: dd bs=1M of the listing to /dev/null, then of the report to a new file;"
[ -z "$baseline" ] || echo "baseline: the tool of $BENCH_BASELINE writes its report to a new file;"
echo "CPU: user + system seconds of the fastest file run per GiB of listing;"
echo "peak: the largest resident memory of the file runs."
for layout in plain qq; do measure_layout "$layout"; done
measure_small
