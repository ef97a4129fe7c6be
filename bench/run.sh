#!/usr/bin/env bash
# Benchmark of whole runs on large generated listings, both layouts, with a warm file cache.
# Prints the listing throughput (MiB/s) of a run that writes its report to a new file and of
# one that writes it to /dev/null (on some virtual machines writing fresh page-cache pages
# costs as much as the tool's own work), the peak resident memory, and how the time grows
# from one size to the next. Checks each report: exit code, one record line per entry (or QQ
# record), lines in external-accuracy order, and a small reference slice byte for byte.
#
#   bench/run.sh [sizes...]      default sizes: 256M 1G
set -euo pipefail
cd "$(dirname "$0")/.."

sizes=("${@:-256M}")
[ $# -gt 0 ] || sizes=(256M 1G)
build=build/default
work=build/bench
mkdir -p "$work"
cmake --preset default >/dev/null
cmake --build --preset default --target vandlor2 make_listing >/dev/null

fail() { echo "FAILED: $*" >&2; exit 1; }

# The reference slice: small listings whose reports were checked by hand.
for layout in plain qq; do
    "$build/make_listing" 64K "$layout" 1 "$work/$layout-64K.lst"
    (cd "$work" && ../../"$build/vandlor2" "$layout-64K.lst" "$layout-64K.rpt" >/dev/null)
    cmp -s "$work/$layout-64K.rpt" "bench/reference/$layout-64K.rpt" ||
        fail "$layout report differs from bench/reference/$layout-64K.rpt"
done
echo "reference slices: identical"

printf '%-6s %6s %8s %9s %8s %14s %9s %13s\n' layout size MiB seconds "MiB/s" "MiB/s no file" "peak MiB" "peak/listing"
for layout in plain qq; do
    for size in "${sizes[@]}"; do
        listing="$work/$layout-$size.lst"
        report="$work/$layout-$size.rpt"
        [ -f "$listing" ] || "$build/make_listing" "$size" "$layout" 1 "$listing"
        cat "$listing" >/dev/null  # warm the file cache
        rm -f "$report"
        sync
        /usr/bin/time -f "%e %M" -o "$work/time.txt" "$build/vandlor2" "$listing" "$report" >/dev/null ||
            fail "$layout $size: exit code $?"
        read -r seconds peak_kib <"$work/time.txt"
        /usr/bin/time -f "%e" -o "$work/time.txt" "$build/vandlor2" "$listing" /dev/null >/dev/null
        read -r seconds_without_file <"$work/time.txt"
        bytes=$(stat -c %s "$listing")
        if [ "$layout" = plain ]; then
            expected=$(grep -c '^ FROM: ' "$listing")
        else
            expected=$(grep -c '^.... QQ' "$listing")
        fi
        lines=$(grep -c '   1: ' "$report")
        [ "$lines" = "$expected" ] || fail "$layout $size: $lines record lines, expected $expected"
        awk -F'1: *' '/   1: / { v = $NF + 0; if (v < last) { bad = 1; exit } last = v }
                      END { exit bad }' "$report" || fail "$layout $size: report out of order"
        awk -v b="$bytes" -v s="$seconds" -v n="$seconds_without_file" -v k="$peak_kib" \
            -v l="$layout" -v z="$size" -v p="${previous:-}" 'BEGIN {
            mib = b / 1048576
            printf "%-6s %6s %8.0f %9.2f %8.0f %14.0f %9.0f %13.2f", l, z, mib, s, mib / s, mib / n, k / 1024, k * 1024 / b
            if (p != "") { split(p, q, " "); printf "   time x%.2f for size x%.2f", s / q[2], b / q[1] }
            printf "\n" }'
        previous="$bytes $seconds"
    done
    previous=""
done
