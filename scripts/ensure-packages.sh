#!/usr/bin/env bash
# Installs the Debian packages that are missing: "run" those of
# scripts/packages-run.txt, "test" those and scripts/packages-test.txt.
# Does nothing (and needs no network) when everything is already there.
# Usage: scripts/ensure-packages.sh run|test
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

case ${1:-} in
    run) lists=("$here/packages-run.txt") ;;
    test) lists=("$here/packages-run.txt" "$here/packages-test.txt") ;;
    *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")

# A line is "package", or "codename: package" for that release alone.
wanted=()
while read -r first second; do
    case $first in
        '' | '#'*) ;;
        *:) [[ ${first%:} == "$codename" ]] && wanted+=("$second") ;;
        *) wanted+=("$first") ;;
    esac
done < <(cat "${lists[@]}")

missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

as_root=(env DEBIAN_FRONTEND=noninteractive)
if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
        echo "pintwise: these packages are missing: ${missing[*]}; install them as root" \
            "(apt-get install ${missing[*]}) or install sudo, then run this again." >&2
        exit 1
    fi
    as_root=(sudo "${as_root[@]}")
fi
echo "Installing missing packages: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
