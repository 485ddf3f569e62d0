# shellcheck shell=bash
# Shared by the scripts that drive the real program under Xvfb (the end-to-end
# tests, the screenshots and the benchmarks); source it.
# It makes a scratch directory $work, removed on exit with everything it
# started, and offers the steps a user's session is made of.

work=$(mktemp -d)
xvfb_pid='' app_pid=''
end_x_session() {
    local pid
    for pid in $app_pid $xvfb_pid; do { kill "$pid" && wait "$pid"; } 2>/dev/null || true; done
    rm -rf "$work"
}
trap end_x_session EXIT

fail() {
    echo "FAILED: $*" >&2
    [[ -s $work/app.log ]] && sed 's/^/  pintwise: /' "$work/app.log" >&2
    exit 1
}

# start_x_session [XVFB_OPTION...]: Xvfb picks a free display itself and
# writes its number to fd 3 once it is ready. It listens on its local socket
# only. The screen holds the entry window at twice the scale; its black root
# lets a picture tell a window that has not painted yet.
start_x_session() {
    local tool
    for tool in Xvfb xdotool xprop; do
        command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/ensure-packages.sh test installs it)"
    done
    Xvfb -displayfd 3 -nolisten tcp -br -screen 0 1600x1000x24 "$@" 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do grep -q . "$work/display" 2>/dev/null && break; sleep 0.1; done
    grep -q . "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
}

# start_program COMMAND...: runs it in the background, its output in app.log.
start_program() {
    "$@" >"$work/app.log" 2>&1 &
    app_pid=$!
}

# wait_for_exit [STATUS]: the program must end by itself, with STATUS (0).
wait_for_exit() {
    local expected=${1:-0} status=0
    for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$app_pid" 2>/dev/null && fail "pintwise did not end by itself"
    wait "$app_pid" || status=$?
    app_pid=''
    [[ $status == "$expected" ]] || fail "pintwise ended with status $status, expected $expected"
}

# The id of the visible window with exactly this title, once it is mapped.
window_id() {
    timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1
}

# No window manager: a window gets the keyboard only when given it.
focus_window() {
    local id
    id=$(window_id "$1") || fail "no window titled \"$1\""
    xdotool windowfocus --sync "$id"
}

keys() { xdotool key --delay 50 "$@"; }

# exit_by_keyboard [STATUS]: from the first field of the entry window, Tab
# past the ten fields, New and List to Exit, press it and answer Yes.
exit_by_keyboard() {
    focus_window "Tapsmith Pintwise"
    keys Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab space
    focus_window "Pintwise"
    keys Return
    wait_for_exit "${1:-0}"
}
