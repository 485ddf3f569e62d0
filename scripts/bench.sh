#!/usr/bin/env bash
# Builds the default preset and runs every benchmark, then prints each figure
# with the floor measured in the same run, the ratio and the goal.
# Extra arguments go to bench_store (Google Benchmark flags); BENCH_BUILD_DIR
# builds elsewhere than build/default.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh test
build=${BENCH_BUILD_DIR:-build/default}
cmake --preset default -B "$build" >/dev/null
cmake --build "$build" -j2 --target bench_name_list bench_store bench_startup bench_log_tool

export QT_QPA_PLATFORM=offscreen
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime

bin=$build/bench
log=$runtime/figures
"$bin/bench_name_list" | tee -a "$log"
"$bin/bench_store" "$@" | tee -a "$log"
"$bin/bench_startup" | tee -a "$log"
"$bin/bench_log_tool" | tee -a "$log"

echo
{
    printf 'figure\tmeasured\tfloor\tratio\tgoal\tverdict\n'
    grep '^FIGURE' "$log" | cut -f2- | sort -n
} | awk -F'\t' '{ for (i = 1; i <= NF; i++) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) } }
    END { for (r = 1; r <= NR; r++) { for (i = 1; i <= 6; i++) printf("%-" w[i] "s  ", cell[r, i]); print "" } }'
