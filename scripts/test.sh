#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the Linux
# program, then the Windows one (cross-compiled, its tests under Wine).
# Warnings stop the build only where the dev presets configured build/default
# and build/windows (developers, CI); see CONTRIBUTING.md.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh test
cmake --preset default
cmake --build --preset default
ctest --preset default
cmake --preset windows
cmake --build --preset windows
ctest --preset windows
