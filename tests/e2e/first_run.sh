#!/usr/bin/env bash
# The real program as a user meets it: first run in an empty directory under
# its own Xvfb, one entry typed and saved with the keyboard alone, the file
# checked byte for byte, then a second run that opens in browse mode.
# Usage: first_run.sh PATH_TO_PINTWISE
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../scripts/x_session.sh
source "$here/../../scripts/x_session.sh"

cp "$1" "$work/pintwise" # Entry.Dat is kept beside the executable
start_x_session

# First run: the empty log's question, answered Yes.
start_program "$work/pintwise"
focus_window "New file"
keys Return
focus_window "Tapsmith Pintwise"

# The fields in tab order: Bier, Country, Location, Style, Taste, Brewery,
# Purchese, Cost, Color, Notes. Characters outside the keymap are bound to a
# spare key while typed; the delay lets the program see each new binding,
# even on a machine busy with other work.
typed=("Kühlwerk Kölsch" "Germany" "Köln" "Kölsch" "Crisp, dry" "Kühlwerk" "Brauhaus Ufergasse" "5 €" "Pale straw"
    "Served in a 0.2 l Stange; light body, short finish.")
for text in "${typed[@]}"; do
    xdotool type --delay 120 -- "$text"
    keys Tab
done
keys space          # Save
keys Tab Tab space  # List, Exit
focus_window "Pintwise"
keys Return         # Yes
wait_for_exit

# The record as Windows-1252, each field space-padded, in the file's field order.
field() { LC_ALL=C printf "%-${2:-20}s" "$(printf '%b' "$1")"; }
{
    field 'K\xfchlwerk K\xf6lsch'; field 'Germany'; field 'K\xf6ln'; field 'K\xfchlwerk'
    field 'Brauhaus Ufergasse'; field '5 \x80'; field 'K\xf6lsch'; field 'Crisp, dry'; field 'Pale straw'
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
start_program "$work/pintwise"
focus_window "Tapsmith Pintwise"
if xdotool search --onlyvisible --name '^New file$' >/dev/null; then fail "the second run asked \"New file\""; fi
exit_by_keyboard
cmp -s "$work/expected" "$work/Entry.Dat" || fail "the second run changed Entry.Dat"
echo "first run, save, exit and second run: all as expected"
