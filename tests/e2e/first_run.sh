#!/usr/bin/env bash
# The real program as a user meets it: first run in an empty directory under
# its own Xvfb, one entry typed and saved with the keyboard alone, the file
# checked byte for byte, then a second run that opens in browse mode.
# Usage: first_run.sh PATH_TO_PINTWISE
set -euo pipefail

work=$(mktemp -d)
xvfb_pid='' app_pid=''
cleanup() {
    for pid in $app_pid $xvfb_pid; do { kill "$pid" && wait "$pid"; } 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    [[ -s $work/app.log ]] && sed 's/^/  pintwise: /' "$work/app.log" >&2
    exit 1
}

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/ensure-packages.sh installs it)"
done
cp "$1" "$work/pintwise" # Entry.Dat is kept beside the executable

# Xvfb picks a free display itself and writes its number to fd 3 once it is ready.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do grep -q . "$work/display" 2>/dev/null && break; sleep 0.1; done
grep -q . "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb

start_program() {
    "$work/pintwise" >"$work/app.log" 2>&1 &
    app_pid=$!
}
# No window manager: a window gets the keyboard only when given it.
focus_window() {
    local id
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1) || fail "no window titled \"$1\""
    xdotool windowfocus --sync "$id"
}
keys() { xdotool key --delay 50 "$@"; }
wait_for_exit() {
    for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$app_pid" 2>/dev/null && fail "pintwise did not end after Exit, Yes"
    wait "$app_pid" || fail "pintwise ended with status $?"
    app_pid=''
}

# First run: the empty log's question, answered Yes.
start_program
focus_window "New file"
keys Return
focus_window "Tapsmith Pintwise"

# The fields in tab order: Bier, Country, Location, Style, Taste, Brewery,
# Purchese, Cost, Color, Notes. Characters outside the keymap are bound to a
# spare key while typed; the delay lets the program see each new binding.
typed=("Küppers Kölsch" "Germany" "Köln" "Kölsch" "Crisp, dry" "Küppers" "Brauhaus am Dom" "5 €" "Pale straw"
    "Served in a 0.2 l Stange; light body, short finish.")
for text in "${typed[@]}"; do
    xdotool type --delay 60 -- "$text"
    keys Tab
done
keys space          # Save
keys Tab Tab space  # List, Exit
focus_window "Pintwise"
keys Return         # Yes
wait_for_exit

# The record as Windows-1252, each field space-padded, in the file's field order.
field() { LC_ALL=C printf "%-${2:-20}s" "$(printf "$1")"; }
{
    field 'K\xfcppers K\xf6lsch'; field 'Germany'; field 'K\xf6ln'; field 'K\xfcppers'
    field 'Brauhaus am Dom'; field '5 \x80'; field 'K\xf6lsch'; field 'Crisp, dry'; field 'Pale straw'
    field 'Served in a 0.2 l Stange; light body, short finish.' 200
} >"$work/expected"
[[ -f $work/Entry.Dat ]] || fail "Entry.Dat was not created"
size=$(stat -c %s "$work/Entry.Dat")
[[ $size == 380 ]] || fail "Entry.Dat is $size bytes, expected 380"
if ! cmp "$work/expected" "$work/Entry.Dat"; then
    echo "expected:" >&2; od -c "$work/expected" >&2
    echo "found:" >&2; od -c "$work/Entry.Dat" >&2
    fail "Entry.Dat does not hold the typed entry"
fi

# Second run: the log has an entry, so no question, straight to browse mode.
start_program
focus_window "Tapsmith Pintwise"
if xdotool search --onlyvisible --name '^New file$' >/dev/null; then fail "the second run asked \"New file\""; fi
keys Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab space # from Bier past nine fields, New and List to Exit
focus_window "Pintwise"
keys Return
wait_for_exit
cmp -s "$work/expected" "$work/Entry.Dat" || fail "the second run changed Entry.Dat"
echo "first run, save, exit and second run: all as expected"
