#!/usr/bin/env bash
# Builds the fuzz targets (the fuzz preset: clang, libFuzzer, ASan, UBSan, in
# build/fuzz) and runs each for SECONDS (default 60), starting from its seed
# corpus in fuzz/corpus/. New inputs it finds go to build/fuzz/corpus/ (the
# seeds in the repository stay as they are), a crash's input to
# build/fuzz/crashes/. Any crash, leak or sanitizer report fails the run.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (targets: csv json xlsx check)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh test
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]} > 0)) || targets=(csv json xlsx check)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

status=0
for target in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$target crashes=build/fuzz/crashes/$target
    mkdir -p "$corpus" "$crashes"
    # An input of a real log's size: a sheet or a log of a few records.
    if ! build/fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" "fuzz/corpus/$target" >"build/fuzz/$target.log" 2>&1; then
        status=1
        echo "fuzz: $target FAILED; its input is in $crashes/:" >&2
        grep -E -A15 '^==[0-9]+==|runtime error' "build/fuzz/$target.log" | head -40 >&2
        continue
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build/fuzz/$target.log")
    echo "fuzz: $target, ${seconds} s, $runs inputs, no fault"
done
exit "$status"
