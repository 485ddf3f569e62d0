#!/usr/bin/env bash
# Installs what is missing, builds Pintwise and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh
cmake --preset default
cmake --build --preset default --target pintwise
exec build/default/src/app/pintwise
