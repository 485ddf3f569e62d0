#!/usr/bin/env bash
# Runs one Windows program under Wine and exits with its exit status: the
# CMAKE_CROSSCOMPILING_EMULATOR of the Windows build, so ctest runs each test
# program through it.
#
# Usage: scripts/wine-run.sh STATE_DIR PROGRAM.exe [ARG...]
#        scripts/wine-run.sh STATE_DIR --stop
#
# STATE_DIR (build/windows/wine) keeps one Wine prefix, made on first use
# (about 10 s) and reused by every later run, and the Xvfb display this script
# started when no usable DISPLAY was given. A lock keeps parallel runs from
# making them twice. --stop ends that Xvfb and the prefix's wineserver (the
# tests' cleanup fixture does).
#
# PINTWISE_WINE_DRIVE=q maps the Wine drive Q: to a new empty folder for this
# run alone, and tells the program which drive through PINTWISE_TEST_DRIVE=Q:.
# PINTWISE_WINE_SHARE=name does the same for a network share: Wine reads
# \\localhost\name from the prefix's dosdevices/unc/localhost/name, and the
# program finds the share's name in PINTWISE_TEST_SHARE.
#
# The program's standard error comes out with its standard output, unless
# PINTWISE_WINE_STDERR=FILE keeps it apart, in FILE.
set -euo pipefail

state=${1:?usage: $0 STATE_DIR PROGRAM.exe [ARG...]}
shift
mkdir -p "$state"
state=$(cd "$state" && pwd -P)

export WINEPREFIX=$state/prefix
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and a missing one opens a dialog.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# Debian's wine64 package puts the loader outside PATH; calling it directly
# also skips the wrapper's warning that the 32-bit half is missing.
wine=
for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
    if [[ -n $candidate && -x $candidate ]]; then
        wine=$candidate
        break
    fi
done
[[ -n $wine ]] || { echo "wine-run: wine64 is not installed (apt-get install wine64)" >&2; exit 127; }
wineserver=$(dirname "$wine")/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver || echo wineserver)

xvfb_alive() {
    [[ -f $state/xvfb.pid ]] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

if [[ ${1:-} == --stop ]]; then
    "$wineserver" -k 2>/dev/null || true
    if xvfb_alive; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    fi
    rm -f "$state/xvfb.pid" "$state/display"
    exit 0
fi
exe=${1:?usage: $0 STATE_DIR PROGRAM.exe [ARG...]}
shift

display_usable() {
    [[ -n ${1:-} ]] || return 1
    if command -v xdpyinfo >/dev/null; then
        DISPLAY=$1 xdpyinfo >/dev/null 2>&1
    else
        [[ -S /tmp/.X11-unix/X${1#:} ]]
    fi
}

# Once per state folder, under the lock: the prefix, then the display.
{
    flock 9
    if [[ ! -f $WINEPREFIX/.pintwise-ready ]]; then
        rm -rf "$WINEPREFIX"
        DISPLAY='' "$wine" wineboot --init >/dev/null 2>&1
        # Without this Wine waits two seconds for the window manager each
        # time a window hides.
        DISPLAY='' "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        # The registry reaches the disk when the wineserver has written it.
        "$wineserver" -w
        touch "$WINEPREFIX/.pintwise-ready"
    fi
    if ! display_usable "${DISPLAY:-}"; then
        if ! xvfb_alive || ! display_usable "$(cat "$state/display" 2>/dev/null)"; then
            command -v Xvfb >/dev/null || { echo "wine-run: Xvfb is not installed (apt-get install xvfb)" >&2; exit 127; }
            rm -f "$state/display.fifo"
            mkfifo "$state/display.fifo"
            Xvfb -displayfd 8 -nolisten tcp -screen 0 1280x1024x24 8>"$state/display.fifo" 9>&- \
                >"$state/xvfb.log" 2>&1 &
            echo $! >"$state/xvfb.pid"
            read -r -t 20 number <"$state/display.fifo" || { echo "wine-run: Xvfb did not start" >&2; exit 1; }
            rm -f "$state/display.fifo"
            echo ":$number" >"$state/display"
        fi
        DISPLAY=$(cat "$state/display")
        export DISPLAY
    fi
} 9>"$state/lock"

drive_dir=
if [[ -n ${PINTWISE_WINE_DRIVE:-} ]]; then
    letter=${PINTWISE_WINE_DRIVE,,}
    drive_dir=$(mktemp -d "$state/drive-$letter.XXXXXX")
    ln -sfn "$drive_dir" "$WINEPREFIX/dosdevices/$letter:"
    export PINTWISE_TEST_DRIVE="${letter^^}:"
fi
share_dir=
if [[ -n ${PINTWISE_WINE_SHARE:-} ]]; then
    share_dir=$(mktemp -d "$state/share.XXXXXX")
    mkdir -p "$WINEPREFIX/dosdevices/unc/localhost"
    ln -sfn "$share_dir" "$WINEPREFIX/dosdevices/unc/localhost/$PINTWISE_WINE_SHARE"
    export PINTWISE_TEST_SHARE="\\\\localhost\\$PINTWISE_WINE_SHARE"
fi
# shellcheck disable=SC2317 # run by the trap
cleanup() {
    rm -f "${output:-}"
    if [[ -n $share_dir ]]; then
        rm -f "$WINEPREFIX/dosdevices/unc/localhost/$PINTWISE_WINE_SHARE"
        rm -rf "$share_dir"
    fi
    if [[ -n $drive_dir ]]; then
        rm -f "$WINEPREFIX/dosdevices/$letter:"
        rm -rf "$drive_dir"
    fi
}
trap cleanup EXIT

# The program's output goes through a file: the wineserver and Wine's own
# services, started by the first program, would otherwise inherit ctest's
# pipe, and ctest waits until every holder lets go of it, seconds later.
output=$(mktemp "$state/output.XXXXXX")
status=0
if [[ -n ${PINTWISE_WINE_STDERR:-} ]]; then
    "$wine" "$exe" "$@" </dev/null >"$output" 2>"$PINTWISE_WINE_STDERR" || status=$?
else
    "$wine" "$exe" "$@" </dev/null >"$output" 2>&1 || status=$?
fi
cat "$output"
exit "$status"
