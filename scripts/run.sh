#!/usr/bin/env bash
# Installs the packages that are missing, builds Pintwise, installs it for
# this user (scripts/install.sh: ~/.local, or PINTWISE_PREFIX) and starts the
# installed program, whose log is kept beside it: a rebuild, a clean-up of the
# build folder or a fresh clone leaves the log alone.
set -euo pipefail
# Before the cd below, so that a relative PINTWISE_PREFIX means where the user is.
PINTWISE_PREFIX=$(realpath -m "${PINTWISE_PREFIX:-$HOME/.local}")
export PINTWISE_PREFIX
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh run
cmake --preset run >/dev/null
cmake --build --preset run
scripts/install.sh build/default
exec "$PINTWISE_PREFIX/bin/pintwise"
