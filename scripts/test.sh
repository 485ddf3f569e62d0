#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Warnings stop the build only where the dev preset configured build/default
# (developers, CI); see CONTRIBUTING.md.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh test
cmake --preset default
cmake --build --preset default
ctest --preset default
