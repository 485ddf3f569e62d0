#!/usr/bin/env bash
# The install step of scripts/run.sh, run the way a returning user runs it:
# into a fresh prefix, then again over a log and a stale program. The program,
# launcher and icon must be there each time, the program replaced, and the
# log left byte for byte as it was. Starts no window.
# Usage: install_keeps_log.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

export PINTWISE_PREFIX=$work/prefix
install_step() { "$here/../../scripts/install.sh" "$1" >"$work/install.log" 2>&1 || fail "install: $(cat "$work/install.log")"; }
installed=(bin/pintwise share/applications/pintwise.desktop share/icons/hicolor/scalable/apps/pintwise.svg)

# First run: nothing there yet.
install_step "$1"
for file in "${installed[@]}"; do [[ -f $PINTWISE_PREFIX/$file ]] || fail "the first install made no $file"; done
[[ -x $PINTWISE_PREFIX/bin/pintwise ]] || fail "the installed program is not executable"

# Next run: the user has a log with two records (bytes of every value), and the
# build is newer than the installed program.
head -c 760 /dev/urandom >"$work/log"
cp "$work/log" "$PINTWISE_PREFIX/bin/Entry.Dat"
touch -d '2001-01-01' "$PINTWISE_PREFIX/bin/pintwise"
install_step "$1"
for file in "${installed[@]}"; do [[ -f $PINTWISE_PREFIX/$file ]] || fail "the second install left no $file"; done
[[ $(stat -c %Y "$PINTWISE_PREFIX/bin/pintwise") != $(date -d '2001-01-01' +%s) ]] || fail "the second install did not replace the program"
cmp "$work/log" "$PINTWISE_PREFIX/bin/Entry.Dat" || fail "installing again changed Entry.Dat"
echo "installed twice; program replaced, launcher and icon there, log untouched"
