#!/usr/bin/env bash
# Runs the README's test command on Debian 13 (trixie), as root in a chroot:
# makes a minimal one with debootstrap if CHROOT_DIR does not hold one yet,
# copies in a fresh clone of this repository's HEAD (commit first: changes not
# committed are not in it) and runs scripts/test.sh there, which installs the
# packages it needs itself. The chroot is kept for the next run. Not part of
# CI: it needs root, debootstrap and a few minutes.
# Usage: sudo scripts/trixie-check.sh [CHROOT_DIR]   (default /srv/chroot/pintwise-trixie)
# DEBIAN_MIRROR picks another mirror than deb.debian.org.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
root=$(realpath -m "${1:-/srv/chroot/pintwise-trixie}")
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
[[ $(id -u) -eq 0 ]] || { echo "trixie-check: run this as root" >&2; exit 1; }
command -v debootstrap >/dev/null || { echo "trixie-check: install debootstrap first (apt-get install debootstrap)" >&2; exit 1; }

if [[ ! -x $root/usr/bin/apt-get ]]; then
    debootstrap --variant=minbase trixie "$root" "$mirror"
fi

# The host's /tmp is shared so that Xvfb in the chroot sees the displays taken
# outside it: X clients also try the display's abstract socket, which a
# chroot does not separate.
mounted=()
unmount_all() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[i]}" || true; done
}
trap unmount_all EXIT
for dir in /proc /sys /dev /dev/pts /tmp; do
    mkdir -p "$root$dir"
    mountpoint -q "$root$dir" && continue
    mount --bind "$dir" "$root$dir"
    mounted+=("$root$dir")
done

rm -rf "$root/root/pintwise"
git clone -q --no-local "$repo" "$root/root/pintwise"
echo "trixie-check: $(git -C "$root/root/pintwise" log -1 --format='%h %s')"
start=$(date +%s)
status=0
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 bash -c 'cd /root/pintwise && scripts/test.sh' || status=$?
echo "trixie-check: scripts/test.sh ended with status $status after $(($(date +%s) - start)) s"
exit "$status"
