#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over every source file the build compiles
# under src/, tests/, bench/ and tools/, two at a time; any finding fails the run.
# It configures with the dev preset (warnings are errors); TIDY_BUILD_DIR
# configures and reads a build elsewhere than build/default.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh test
root=$(pwd -P)
build=${TIDY_BUILD_DIR:-build/default}

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# clang-tidy reads the flags from compile_commands.json, and the sources include moc's output,
# so the autogen targets (and the libraries they wait for) must have been built.
autogen() {
    cmake --preset dev -B "$build" || return
    local targets
    mapfile -t targets < <(cmake --build "$build" --target help | sed -n 's/^\.\.\. \(.*_autogen\)$/\1/p')
    cmake --build "$build" -j2 --target "${targets[@]}"
}
if ! autogen >"$logs/build" 2>&1; then
    cat "$logs/build"
    exit 1
fi

# The project's own sources only: moc's and rcc's output under the build directory are not ours.
files=()
while read -r file; do
    case $file in
        "$root"/src/*.cpp | "$root"/tests/*.cpp | "$root"/bench/*.cpp | "$root"/tools/*.cpp) files+=("$file") ;;
    esac
done < <(grep -o '"file": "[^"]*"' "$build/compile_commands.json" | cut -d'"' -f4 | sort -u)
if [[ ${#files[@]} -eq 0 ]]; then
    echo "tidy: no source files found in $build/compile_commands.json" >&2
    exit 1
fi

# One log per file, kept only when clang-tidy failed or said anything; its own tallies are dropped.
lint() {
    local log=$logs/${1//\//_}
    clang-tidy -p "$build" --quiet "$1" >"$log" 2>&1 || touch "$log.failed"
    grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$log" >"$log.shown" || true
    [[ -s "$log.shown" || ! -e "$log.failed" ]] || echo "$1: clang-tidy failed without a message" >"$log.shown"
    [[ -s "$log.shown" || -e "$log.failed" ]] || rm -f "$log"*
}
export -f lint
export build logs
# shellcheck disable=SC2016 # $1 is for the inner shell
printf '%s\0' "${files[@]}" | xargs -0 -P2 -n1 bash -c 'lint "$1"' lint || true

shopt -s nullglob
shown=("$logs"/*.shown)
if [[ ${#shown[@]} -gt 0 ]]; then
    cat "${shown[@]}"
    echo "tidy: findings in ${#shown[@]} of ${#files[@]} files" >&2
    exit 1
fi
echo "tidy: ${#files[@]} files, no findings"
