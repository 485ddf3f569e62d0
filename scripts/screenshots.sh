#!/usr/bin/env bash
# Makes the README's pictures from the real program: a small invented log,
# the program under its own Xvfb driven with xdotool, each window grabbed
# while it is on top. A second run at QT_SCALE_FACTOR=2 gives the @2x picture.
# Then pintwise.exe under Wine on the same display, with the same log.
# Usage: scripts/screenshots.sh [OUTPUT_DIR]   (default docs/)
# SCREENSHOTS_BUILD_DIR builds elsewhere than build/default.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs}
scripts/ensure-packages.sh test
build=${SCREENSHOTS_BUILD_DIR:-build/default}
cmake --preset default -B "$build" >/dev/null
cmake --build "$build" -j2 --target pintwise grab_window >/dev/null
windows_build=${SCREENSHOTS_WINDOWS_BUILD_DIR:-build/windows}
cmake --preset windows -B "$windows_build" >/dev/null
cmake --build "$windows_build" -j2 --target pintwise >/dev/null
grab=$build/tools/grab_window

# shellcheck source=x_session.sh
source scripts/x_session.sh

command -v iconv >/dev/null || fail "iconv is not installed"
cp "$build/src/app/pintwise" "$work/pintwise" # Entry.Dat is kept beside the executable

# One field: the text in Windows-1252, space-padded to its width (20, or the
# one given). Too long a text is a mistake in this script, not cut short.
field() {
    local LC_ALL=C width=${2:-20} bytes
    bytes=$(printf '%s' "$1" | iconv -f UTF-8 -t WINDOWS-1252) || fail "\"$1\" is not Windows-1252"
    ((${#bytes} <= width)) || fail "\"$1\" is longer than $width bytes"
    printf '%s' "$bytes"
    printf "%$((width - ${#bytes}))s" ''
}
# record BIER COUNTRY LOCATION BREWERY PURCHESE COST STYLE TASTE COLOR NOTES
record() {
    local text
    for text in "${@:1:9}"; do field "$text"; done
    field "${10}" 200
}
# Invented names only. The non-ASCII letters and currency signs show that the
# file's code page comes through.
{
    record "Wolkenbruch Märzen" "Germany" "Bamberg" "Wolkenbruch Bräu" "Zum Goldenen Fass" "3,80 €" "Märzen" \
        "Malty, toasty" "Deep amber" "Half-litre mug in the cellar bar. Caramel first, then a dry, clean finish; dangerously easy to drink."
    record "Saint-Ébrard Tripel" "Belgium" "Liège" "Brasserie Pont Gris" "Café Le Tonneau" "4,50 €" "Tripel" \
        "Spicy, warming" "Hazy gold" "Served in a tulip glass. Clove and pear on the nose, honeyed body, the alcohol well hidden."
    record "Harbour Lamp Bitter" "England" "Whitby" "Lantern Yard Brewing" "The Copper Kettle" "£3.40" "Best bitter" \
        "Biscuit, hops" "Copper" "Hand-pulled, cellar cool. Soft carbonation and a long, earthy bitterness."
    record "Skarvøy Pilsner" "Norway" "Bergen" "Skarvøy Bryggeri" "Fjordkiosken" "89 kr" "Pilsner" \
        "Crisp, grassy" "Pale straw" "From the can on the ferry deck. Bright and snappy; better than the view deserved."
    record "Mühlstein Dunkel" "Germany" "Regensburg" "Mühlstein Bräu" "Biergarten am Fluss" "3,90 €" "Dunkel" \
        "Bready, nutty" "Chestnut brown" "Under the chestnut trees. Bread crust and a hint of cocoa, very smooth."
} >"$work/Entry.Dat"
size=$(stat -c %s "$work/Entry.Dat")
[[ $size == $((5 * 380)) ]] || fail "the sample log is $size bytes, expected $((5 * 380))"

start_x_session
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The pictures show the program as built, whatever this shell's settings.
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING QT_FONT_DPI QT_STYLE_OVERRIDE

# shoot TITLE FILE: grab_window waits until the window has painted. The
# pictures stay in the scratch directory until all of them are right.
mkdir "$work/shots"
shoot() {
    local id
    id=$(window_id "$1") || fail "no window titled \"$1\" appeared within 20 s"
    "$grab" "$id" "$work/shots/$2" || fail "could not grab \"$1\""
}
# PNG width and height, from the IHDR chunk.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%d %d\n", $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }'
}

# First run: record 1, the list of names, the exit question.
start_program "$work/pintwise"
shoot "Tapsmith Pintwise" entry-window.png
focus_window "Tapsmith Pintwise"
keys Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab space # from Bier past nine fields and New to List
shoot "Bier List" name-list.png
focus_window "Tapsmith Pintwise" # back where List has the focus
keys Tab space                   # Exit
shoot "Pintwise" message-box.png
focus_window "Pintwise"
keys Return # Yes is the default
wait_for_exit

# Second run: the entry window at twice the scale, same layout.
start_program env QT_SCALE_FACTOR=2 "$work/pintwise"
shoot "Tapsmith Pintwise" entry-window@2x.png
exit_by_keyboard

# Third run: pintwise.exe under Wine. Wine draws its windows' frames itself
# and, with no window manager, takes the keyboard only with a click: each
# button is clicked where the layout puts it, the client area's origin found
# from the X window's size (a frame border on each side, the caption on top).
mkdir "$work/windows"
cp "$windows_build/src/app_win32/pintwise.exe" "$work/Entry.Dat" "$work/windows/"
start_program scripts/wine-run.sh "$windows_build/wine" "$work/windows/pintwise.exe"
# click TITLE CLIENT_WIDTH CLIENT_HEIGHT LEFT TOP: the middle of a button at
# that place in twips (1215 x 495), at 96 dpi.
click() {
    local id WIDTH HEIGHT border caption
    id=$(window_id "$1") || fail "no window titled \"$1\""
    eval "$(xdotool getwindowgeometry --shell "$id")"
    border=$(((WIDTH - $2) / 2)) caption=$((HEIGHT - $3 - (WIDTH - $2) / 2))
    xdotool mousemove --window "$id" $((border + ($4 + 607) / 15)) $((caption + ($5 + 247) / 15)) click 1
}
shoot "Tapsmith Pintwise" windows-entry-window.png
click "Tapsmith Pintwise" 719 413 5520 4200 # List
shoot "Bier List" windows-name-list.png
click "Tapsmith Pintwise" 719 413 8040 4200 # Exit
window_id "Pintwise" >/dev/null || fail "pintwise.exe did not ask before it ended"
xdotool key Return # Yes is the default
wait_for_exit
cmp -s "$work/Entry.Dat" "$work/windows/Entry.Dat" || fail "pintwise.exe changed the log it was only shown"

read -r w1 h1 < <(png_size "$work/shots/entry-window.png")
read -r w2 h2 < <(png_size "$work/shots/entry-window@2x.png")
((w2 == 2 * w1 && h2 == 2 * h1)) || fail "entry-window@2x.png is ${w2}x$h2, expected $((2 * w1))x$((2 * h1)) (twice ${w1}x$h1)"

mkdir -p "$out"
for png in entry-window.png name-list.png message-box.png entry-window@2x.png windows-entry-window.png \
    windows-name-list.png; do
    cp "$work/shots/$png" "$out/$png"
    echo "wrote $out/$png"
done
