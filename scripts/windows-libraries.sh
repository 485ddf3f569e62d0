#!/usr/bin/env bash
# Cross-compiles pintwise-log's libraries for 64-bit Windows from Debian's own
# source packages, patched as Debian ships them: libzip and libxml2 (the xlsx
# import), libxlsxwriter with its bundled minizip (the export). Each is static
# and has only what the tool uses; zlib is Debian's libz-mingw-w64-dev.
# cmake/windows_libraries.cmake runs this at configure time when its stamp is
# missing or stale; it does not decide when to rebuild, nor touch the
# machine's apt configuration (apt-get reads a list and state of its own).
#
# Usage: scripts/windows-libraries.sh DIR TOOLCHAIN_FILE STAMP_TEXT
#   DIR (build/windows/third_party) gets apt/ (the package lists), src/ (the
#   unpacked sources), build/, prefix/ (headers, .a, pkg-config files),
#   versions.txt, and last the file stamp holding STAMP_TEXT.
# DEBIAN_MIRROR overrides the mirror read from the machine's apt sources.
set -Eeuo pipefail

dir=${1:?usage: $0 DIR TOOLCHAIN_FILE STAMP_TEXT}
toolchain=${2:?usage: $0 DIR TOOLCHAIN_FILE STAMP_TEXT}
stamp_text=${3:?usage: $0 DIR TOOLCHAIN_FILE STAMP_TEXT}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd -P)
zlib=/usr/x86_64-w64-mingw32/lib/libz.a
keyring=/usr/share/keyrings/debian-archive-keyring.gpg

step="start"
# Once, from the script itself: subshells inherit the trap.
trap '[[ $BASH_SUBSHELL -gt 0 ]] || echo "windows-libraries: failed while $step" >&2' ERR

step="checking the tools"
for tool in apt-get dpkg-source cmake x86_64-w64-mingw32-gcc-posix; do
    command -v "$tool" >/dev/null || { echo "windows-libraries: $tool is missing (scripts/ensure-packages.sh test)" >&2; exit 1; }
done
[[ -f $zlib ]] || { echo "windows-libraries: $zlib is missing (package libz-mingw-w64-dev)" >&2; exit 1; }

# The release this machine runs, and the mirror its apt already uses for it:
# an entry of type deb whose suite is the release itself, in the one-line or
# the deb822 format.
step="reading the machine's Debian mirror"
# shellcheck source=/dev/null # the machine's own
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[[ -n $codename ]] || { echo "windows-libraries: /etc/os-release names no VERSION_CODENAME" >&2; exit 1; }
mirror=${DEBIAN_MIRROR:-}
if [[ -z $mirror ]]; then
    mirror=$({ cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
        sed -e 's/#.*//' -e 's/\[[^]]*\]//' |
        awk -v want="$codename" '$1 == "deb" && $3 == want { print $2; exit }')
fi
if [[ -z $mirror ]]; then
    mirror=$({ cat /etc/apt/sources.list.d/*.sources 2>/dev/null || true; } | awk -v want="$codename" '
        BEGIN { RS = ""; FS = "\n" }
        {
            types = uris = suites = ""; enabled = "yes"
            for (i = 1; i <= NF; i++) {
                if ($i ~ /^[ \t]*#/ || index($i, ":") == 0) continue
                key = tolower(substr($i, 1, index($i, ":") - 1)); value = substr($i, index($i, ":") + 1)
                if (key == "types") types = value
                else if (key == "uris") uris = value
                else if (key == "suites") suites = value
                else if (key == "enabled") enabled = tolower(value)
            }
            if (enabled ~ /no/ || (" " types " ") !~ /[ \t]deb[ \t]/) next
            split(uris, uri, /[ \t]+/); n = split(suites, suite, /[ \t]+/)
            for (j = 1; j <= n; j++) if (suite[j] == want) { print (uri[1] != "" ? uri[1] : uri[2]); exit }
        }')
fi
[[ -n $mirror ]] || { echo "windows-libraries: no apt source of type deb for $codename; set DEBIAN_MIRROR" >&2; exit 1; }

# apt-get with a list, package lists and cache of its own: the machine's apt
# state stays as it is, and no root is needed (as root, the downloads need no
# _apt user that can write here).
step="fetching the source package lists from $mirror"
apt_dir=$dir/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
echo "deb-src [signed-by=$keyring] $mirror $codename main" >"$apt_dir/sources.list"
apt=(apt-get -q -o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o APT::Sandbox::User=root
    -o Acquire::Languages=none)
"${apt[@]}" update

# apt-get source unpacks with dpkg-source, which applies Debian's patches;
# each package's applied list must be its whole series.
packages=(libzip libxml2 libxlsxwriter)
rm -rf "$dir/src" "$dir/build" "$dir/prefix" "$dir/stamp" "$dir/versions.txt"
mkdir -p "$dir/src"
step="fetching and unpacking the sources of ${packages[*]}"
(cd "$dir/src" && "${apt[@]}" source --only-source "${packages[@]}")
declare -A source_dir
for package in "${packages[@]}"; do
    step="checking the sources of $package"
    dsc=$(ls "$dir/src/${package}_"*.dsc)
    version=$(sed -n 's/^Version: //p' "$dsc")
    upstream=${version#*:}
    upstream=${upstream%-*}
    source_dir[$package]=$dir/src/$package-$upstream
    [[ -d ${source_dir[$package]} ]]
    series=${source_dir[$package]}/debian/patches/series
    wanted=$(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' -e 's/[[:space:]].*//' "$series" 2>/dev/null || true)
    applied=$(cat "${source_dir[$package]}/.pc/applied-patches" 2>/dev/null || true)
    if [[ "$wanted" != "$applied" ]]; then
        echo "windows-libraries: $package: Debian's patches are not all applied" >&2
        exit 1
    fi
    echo "$package $version, Debian patches applied: $(echo "$wanted" | grep -c . || true)" >>"$dir/versions.txt"
done

# libxlsxwriter writes the workbook's zip with its own minizip: Debian's
# package links a system minizip instead, which mingw-w64 has not.
[[ -f ${source_dir[libxlsxwriter]}/third_party/minizip/zip.c ]] || {
    echo "windows-libraries: libxlsxwriter's source has no third_party/minizip" >&2
    exit 1
}

# One library: configure for mingw-w64 with the project's toolchain, build,
# install into the prefix, static.
build() {
    local package=$1
    shift
    step="building $package"
    cmake -S "${source_dir[$package]}" -B "$dir/build/$package" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$dir/prefix" -DCMAKE_INSTALL_LIBDIR=lib \
        -DBUILD_SHARED_LIBS=OFF "$@"
    cmake --build "$dir/build/$package" -j2
    cmake --install "$dir/build/$package"
}
# zlib as the static archive: find_package(ZLIB) would take its import library.
with_zlib=(-DZLIB_LIBRARY="$zlib" -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include)

# libzip: zlib's deflate only; no encryption back-end, bzip2, lzma or zstd,
# and none of the programs or documents.
build libzip "${with_zlib[@]}" -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
    -DENABLE_WINDOWS_CRYPTO=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_OSSFUZZ=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF

# libxml2: the push parser with the SAX2 callbacks and the tree module they
# need, thread-safe; an xlsx part is UTF-8, so no iconv or ICU, and nothing
# that reaches the network, compresses, validates or writes.
xml_off=()
for feature in C14N CATALOG DEBUG DOCB FTP HTML HTTP ICONV ICU ISO8859X LEGACY LZMA MODULES OUTPUT PATTERN \
    PROGRAMS PYTHON READER REGEXPS SAX1 SCHEMAS SCHEMATRON TESTS VALID WRITER XINCLUDE XPATH XPTR ZLIB; do
    xml_off+=("-DLIBXML2_WITH_$feature=OFF")
done
# LIBXML_STATIC for its own code too: else each function is marked for export
# from a DLL, and every program linking it would export them all.
build libxml2 "${xml_off[@]}" -DLIBXML2_WITH_PUSH=ON -DLIBXML2_WITH_TREE=ON -DLIBXML2_WITH_THREADS=ON \
    -DCMAKE_C_FLAGS=-DLIBXML_STATIC

# libxlsxwriter: its bundled minizip, MD5 and temporary files; no OpenSSL, tests or examples.
build libxlsxwriter "${with_zlib[@]}" -DUSE_SYSTEM_MINIZIP=OFF -DUSE_OPENSSL_MD5=OFF -DUSE_NO_MD5=OFF -DUSE_STANDARD_TMPFILE=OFF \
    -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF

step="writing the stamp"
echo "$stamp_text" >"$dir/stamp"
cat "$dir/versions.txt"
