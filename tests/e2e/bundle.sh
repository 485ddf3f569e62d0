#!/usr/bin/env bash
# The portable bundle as a user meets it: packed by CPack from this build,
# unpacked into a fresh folder and started from there. The log must appear
# beside the executable and the windows must carry the program's icon. The
# same folder copied where the user cannot write must refuse to start, with
# a message, rather than run without a log.
# Usage: bundle.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/x_session.sh"

cpack --config "$1/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || fail "cpack: $(cat "$work/cpack.log")"
bundles=("$work"/package/pintwise-*.tar.gz)
[[ ${#bundles[@]} == 1 && -f ${bundles[0]} ]] || fail "cpack made no single pintwise-*.tar.gz"
mkdir "$work/user"
tar -xzf "${bundles[0]}" -C "$work/user"
folder=$(echo "$work"/user/pintwise-*)
for file in bin/pintwise share/applications/pintwise.desktop share/icons/hicolor/scalable/apps/pintwise.svg; do
    [[ -f $folder/$file ]] || fail "the bundle has no $file"
done
desktop-file-validate "$folder/share/applications/pintwise.desktop" || fail "the .desktop file is not valid"

start_x_session

# Unpacked where the user can write: a first run creates the log beside the
# executable. The answer to "New file" is Yes, then Exit (twelve Tabs from
# the first field) and Yes.
start_program "$folder/bin/pintwise"
focus_window "New file"
keys Return
focus_window "Tapsmith Pintwise"
[[ -f $folder/bin/Entry.Dat ]] || fail "no Entry.Dat beside the unpacked executable"
icon=$(xprop -id "$(window_id "Tapsmith Pintwise")" _NET_WM_ICON)
[[ $icon == *"_NET_WM_ICON(CARDINAL) = "* ]] || fail "the entry window has no icon: $icon"
keys Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab space
focus_window "Pintwise"
keys Return
wait_for_exit 0

# The same folder where only root can write, run by an ordinary user: one
# box says why, and the program ends with a failure status.
cp -r "$folder" "$work/system"
rm "$work/system/bin/Entry.Dat"
chmod -R go-w "$work/system"
chmod 755 "$work"
start_program setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=/nonexistent "$work/system/bin/pintwise"
focus_window "Pintwise"
keys Return
wait_for_exit 1
[[ ! -e $work/system/bin/Entry.Dat ]] || fail "a log was created where the user cannot write"
echo "bundle unpacked, run, log created beside the executable; unwritable folder refused"
