#!/usr/bin/env bash
# The portable bundle as a user meets it: packed by CPack from this build,
# unpacked into a fresh folder and started from there. The log must appear
# beside the executable and the windows must carry the program's icon; the
# command-line tool beside it must check that log with no display at all. The
# same folder copied where the user cannot write must refuse to start, with
# a message, rather than run without a log.
# Usage: bundle.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../scripts/x_session.sh
source "$here/../../scripts/x_session.sh"

cpack --config "$1/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || fail "cpack: $(cat "$work/cpack.log")"
bundles=("$work"/package/pintwise-*.tar.gz)
[[ ${#bundles[@]} == 1 && -f ${bundles[0]} ]] || fail "cpack made no single pintwise-*.tar.gz"
mkdir "$work/user"
tar -xzf "${bundles[0]}" -C "$work/user"
folder=$(echo "$work"/user/pintwise-*)
for file in bin/pintwise bin/pintwise-log share/man/man1/pintwise-log.1 share/applications/pintwise.desktop \
    share/icons/hicolor/scalable/apps/pintwise.svg; do
    [[ -f $folder/$file ]] || fail "the bundle has no $file"
done
desktop-file-validate "$folder/share/applications/pintwise.desktop" || fail "the .desktop file is not valid"

# Access control off: the program run as another user below must connect.
start_x_session -ac

# Unpacked where the user can write: a first run creates the log beside the
# executable. The answer to "New file" is Yes, then Exit and Yes.
start_program "$folder/bin/pintwise"
focus_window "New file"
keys Return
focus_window "Tapsmith Pintwise"
[[ -f $folder/bin/Entry.Dat ]] || fail "no Entry.Dat beside the unpacked executable"
icon=$(xprop -id "$(window_id "Tapsmith Pintwise")" _NET_WM_ICON)
[[ $icon == *"_NET_WM_ICON(CARDINAL) = "* ]] || fail "the entry window has no icon: $icon"
exit_by_keyboard 0

# The tool finds the same log beside itself, with no display to connect to.
report=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$folder/bin/pintwise-log" check) \
    || fail "pintwise-log check failed on the bundle's log: $report"
[[ $report == *"/bin/Entry.Dat\""*"Result: OK"* ]] || fail "unexpected check report: $report"

# The same folder where the user cannot write, as /usr/bin is: one box says
# why, and the program ends with a failure status. Root writes anywhere, so
# as root the program runs as nobody.
chmod a+x "$work"
cp -r "$folder" "$work/system"
rm "$work/system/bin/Entry.Dat"
chmod -R a+rX,go-w "$work/system"
chmod a-w "$work/system/bin"
as_user=()
[[ $(id -u) -ne 0 ]] || as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=/nonexistent)
start_program "${as_user[@]}" "$work/system/bin/pintwise"
focus_window "Pintwise"
keys Return
wait_for_exit 1
chmod u+w "$work/system/bin" # so that the scratch directory can be removed
[[ ! -e $work/system/bin/Entry.Dat ]] || fail "a log was created where the user cannot write"
echo "bundle unpacked, run, log created beside the executable; unwritable folder refused"
