#!/usr/bin/env bash
# Checks that every C++ source follows .clang-format; changes nothing.
# To fix: clang-format -i $(git ls-files '*.cpp' '*.h')
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh test
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
# With no files clang-format would read standard input and pass.
((${#sources[@]} > 0)) || { echo "format: git lists no sources here" >&2; exit 1; }
clang-format --dry-run -Werror "${sources[@]}"
echo "format: ${#sources[@]} files follow .clang-format"
