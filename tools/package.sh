#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Makes the Debian package from a build folder (`cpack -G DEB`) and checks it: the file name
# carries the package's version and architecture, the package holds exactly the files of
# tests/install/installed-files.txt under /usr, its dependencies name the Qt, CUPS and libpaper
# libraries the program links and a Courier-metric font, the version is the program's own (the
# first line of --version), and lintian finds nothing to say (no error, no warning, and no pedantic
# or informational remark either).
#
# Usage: tools/package.sh [build folder]   (build/ by default; it must be built already)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -f "$build"/lstprint_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; fail "cpack -G DEB failed"; }
debs=("$build"/lstprint_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made ${debs[*]}"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
version=$(field Version)
[ "$(basename "$deb")" = "lstprint_${version}_$(field Architecture).deb" ] || fail "file name $(basename "$deb")"
[ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] || fail "no maintainer or no description"
said=$(timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$build/app/lstprint" --version | head -n 1) ||
    fail "lstprint --version failed"
[ "$said" = "lstprint $version" ] || fail "the package's version is $version, the program says '$said'"

# The files: paths under /usr, with the application id taken from the desktop entry.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' | LC_ALL=C sort >"$build/deb-files.txt"
id=$(sed -n 's|^usr/share/applications/\(.*\)\.desktop$|\1|p' "$build/deb-files.txt")
[ -n "$id" ] || fail "the package holds no desktop entry"
grep -v '^#' "$root/tests/install/installed-files.txt" | sed "s|ID|$id|g; s|^|usr/|" >"$build/deb-expected.txt"
diff -u "$build/deb-expected.txt" "$build/deb-files.txt" >&2 || fail "the package's files differ from installed-files.txt"

depends=$(field Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libcups2 libpaper1; do
    grep -Eq "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends does not name $library: $depends"
done
grep -Eq '(^|, )fonts-urw-base35 \| fonts-liberation2' <<<"$depends" || fail "Depends names no Courier-metric font: $depends"

command -v lintian >/dev/null || fail "lintian is not installed"
remarks=$(lintian --info --pedantic --display-experimental "$deb" 2>&1 | grep -v '^running with root privileges' || true)
[ -z "$remarks" ] || fail "lintian on $(basename "$deb"):"$'\n'"$remarks"

echo "PASS: $(basename "$deb"), $(wc -l <"$build/deb-files.txt") files, Depends: $depends"
