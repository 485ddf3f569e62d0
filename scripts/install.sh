#!/usr/bin/env bash
# Installs the program built in BUILD_DIR (default build/default) for this
# user, under PINTWISE_PREFIX (~/.local unless set): the program in bin/, its
# launcher and icon under share/, so that it appears in the desktop's menu.
# The log, bin/Entry.Dat, is the user's: installing only adds or replaces the
# program's own files and never touches it. scripts/run.sh calls this.
# Usage: scripts/install.sh [BUILD_DIR]
set -euo pipefail
build=${1:-$(dirname "$0")/../build/default}
prefix=$(realpath -m "${PINTWISE_PREFIX:-$HOME/.local}")
cmake --install "$build" --prefix "$prefix" >/dev/null
echo "pintwise: installed in $prefix; your log is $prefix/bin/Entry.Dat"
