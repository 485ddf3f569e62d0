#!/usr/bin/env bash
# Builds the default preset and runs every benchmark, then prints each figure
# with the floor measured in the same run, the ratio and the goal. Start-up
# and the name list are measured twice: offscreen, and on a real X server (an
# Xvfb of its own, the xcb platform), where a window is mapped and exposed
# before it paints and the window system asks for the program's icon.
# BENCH_REPEAT=N runs everything N times and ends with each figure's median
# over the runs and the lowest and highest ratio. Extra arguments go to
# bench_store (Google Benchmark flags); BENCH_BUILD_DIR builds elsewhere than
# build/default. BENCH_ONLY=NAME runs only bench/bench_NAME (log_tool, ...,
# and the Windows programs' under Wine: win32_name_list, win32_startup,
# win32_store, win32_log_tool), or the NAMEs listed with spaces, and builds
# only their side.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh test
build=${BENCH_BUILD_DIR:-build/default}
repeat=${BENCH_REPEAT:-1}
only=${BENCH_ONLY:-}
wanted() { [[ -z $only || " $only " == *" $1 "* ]]; }
any_wanted() {
    local name
    for name; do wanted "$name" && return 0; done
    return 1
}
if any_wanted name_list store startup log_tool; then
    cmake --preset default -B "$build" >/dev/null
    cmake --build "$build" -j2 --target bench_name_list bench_store bench_startup bench_log_tool bench_xlsx_floor \
        bench_peak_memory
fi
# The Windows program's, run under Wine on the same Xvfb.
windows_build=${BENCH_WINDOWS_BUILD_DIR:-build/windows}
if any_wanted win32_name_list win32_startup win32_store win32_log_tool; then
    cmake --preset windows -B "$windows_build" >/dev/null
    cmake --build "$windows_build" -j2 --target bench_win32_name_list bench_win32_startup bench_win32_store \
        bench_win32_log_tool
fi

# shellcheck source=scripts/x_session.sh
source scripts/x_session.sh
start_x_session
chmod 700 "$work"
export XDG_RUNTIME_DIR=$work

# table FILE: the FIGURE lines of FILE (or of standard input) as aligned columns.
table() {
    {
        printf 'figure\tmeasured\tfloor\tratio\tgoal\tverdict\n'
        grep '^FIGURE' "$@" | cut -f2- | sort -n
    } | awk -F'\t' '{ for (i = 1; i <= NF; i++) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) } }
        END { for (r = 1; r <= NR; r++) { for (i = 1; i <= 6; i++) printf("%-" w[i] "s  ", cell[r, i]); print "" } }'
}

# on PLATFORM COMMAND...: runs COMMAND offscreen, or on the Xvfb. A desktop
# has a session bus, which Qt asks about as it starts; without one it would
# try to start a bus itself, which costs both a figure and its floor alike
# more than the figure's whole difference. So the X runs get a bus of their own.
on() {
    local platform=$1
    shift
    if [[ $platform == xcb ]]; then
        QT_QPA_PLATFORM=xcb dbus-run-session -- "$@"
    else
        QT_QPA_PLATFORM=offscreen "$@"
    fi
}

bin=$build/bench
for ((run = 1; run <= repeat; run++)); do
    log=$work/figures.$run
    : >"$log"
    if wanted name_list; then
        for platform in offscreen xcb; do
            on $platform "$bin/bench_name_list" | tee -a "$log"
        done
    fi
    if wanted store; then on offscreen "$bin/bench_store" "$@" | tee -a "$log"; fi
    if wanted startup; then
        for platform in offscreen xcb; do
            on $platform "$bin/bench_startup" | tee -a "$log"
        done
    fi
    if wanted log_tool; then on offscreen "$bin/bench_log_tool" | tee -a "$log"; fi
    for name in win32_name_list win32_startup win32_store win32_log_tool; do
        if wanted $name; then
            scripts/wine-run.sh "$windows_build/wine" "$windows_build/bench/windows/bench_$name.exe" | tee -a "$log"
        fi
    done
    echo
    table "$log"
    echo
done
[[ $repeat -gt 1 ]] || exit 0

# Over the runs: the median of each column, and the ratio's (or, for memory,
# the difference's) lowest and highest value.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
echo "Medians of $repeat runs, with the lowest and highest ratio:"
grep -h '^FIGURE' "$work"/figures.* | cut -f2 | sort -u | while IFS= read -r name; do
    rows=$(grep -h "^FIGURE	$name	" "$work"/figures.*)
    column() { cut -f"$1" <<<"$rows" | sed 's/^[^0-9+-]*//; s/[^0-9.eE+-].*//'; }
    unit=$(cut -f3 <<<"$rows" | head -n1 | awk '{ print $2 }')
    goal=$(cut -f6 <<<"$rows" | head -n1)
    limit=${goal//[^0-9.]/}
    if [[ $unit == MiB ]]; then
        spread=$(cut -f5 <<<"$rows" | sed 's/.*(\(.*\) MiB)/\1/')
        mid=$(median <<<"$spread")
        shown="$(printf '%+.1f MiB' "$mid") ($(sort -g <<<"$spread" | head -n1) to $(sort -g <<<"$spread" | tail -n1))"
    else
        spread=$(column 5)
        mid=$(median <<<"$spread")
        shown="$(printf '%.2fx' "$mid") ($(sort -g <<<"$spread" | head -n1)-$(sort -g <<<"$spread" | tail -n1))"
    fi
    verdict=$(awk -v m="$mid" -v l="$limit" 'BEGIN { print (m <= l ? "met" : "MISSED") }')
    printf 'FIGURE\t%s\t%.3g %s\t%.3g %s\t%s\t%s\t%s\n' "${name/ (m*)/ (median of $repeat)}" "$(column 3 | median)" \
        "$unit" "$(column 4 | median)" "$unit" "$shown" "$goal" "$verdict"
done | table
