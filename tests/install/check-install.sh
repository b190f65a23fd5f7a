#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Installs the build into a scratch DESTDIR with the prefix /usr, as the Debian package does, and
# checks the installed tree as the desktop and a user meet it: exactly the files of
# installed-files.txt; the desktop entry, metainfo, MIME package and manual page accepted by their
# validators and naming each other by the one application id; the icons at their sizes; the
# manual page's error numbers and exit statuses those of data/, which the README refers to; and the
# installed program run from there in a bare environment (no LD_LIBRARY_PATH, no display).
#
# Usage: check-install.sh <build folder> <application id> <version> <README.md> <demo folder>
set -euo pipefail

build=$1
id=$2
version=$3
readme=$4
demo=$5
here=$(cd "$(dirname "$0")" && pwd)

for tool in desktop-file-validate appstreamcli man xmllint update-mime-database file readelf pdfinfo; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
usr="$root/usr"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.txt" 2>&1 ||
    { cat "$work/install.txt" >&2; echo "FAIL: cmake --install failed" >&2; exit 1; }

# The installed files, no more and no fewer.
grep -v '^#' "$here/installed-files.txt" | sed "s/ID/$id/g" >"$work/expected.txt"
(cd "$usr" && find . -mindepth 1 ! -type d | sed 's|^\./||' | LC_ALL=C sort) >"$work/installed.txt"
if ! diff -u "$work/expected.txt" "$work/installed.txt" >"$work/files.diff"; then
    fail "the installed files differ from installed-files.txt:"
    cat "$work/files.diff" >&2
fi

desktop="$usr/share/applications/$id.desktop"
metainfo="$usr/share/metainfo/$id.metainfo.xml"
mime="$usr/share/mime/packages/$id.xml"
page="$usr/share/man/man1/lstprint.1.gz"

# A validator passes when it says nothing and succeeds; a hint or a warning fails too.
quiet() {
    local output status=0
    output=$("$@" 2>&1) || status=$?
    if [ "$status" -ne 0 ] || [ -n "$output" ]; then
        fail "$* (status $status):"
        printf '%s\n' "$output" >&2
    fi
}

# The desktop entry.
quiet desktop-file-validate "$desktop"
# A key of the entry's main group, or of the group named second ("Desktop Action preview").
entry() { awk -v key="$1" -v group="${2:-Desktop Entry}" '/^\[/ { inside = ($0 == "[" group "]") }
    inside && index($0, key "=") == 1 { print substr($0, length(key) + 2) }' "$desktop"; }
[ "$(entry Name)" = "LST File print utility" ] || fail "desktop entry Name=$(entry Name)"
[ "$(entry Exec)" = "lstprint %f" ] || fail "desktop entry Exec=$(entry Exec)"
[ "$(entry Icon)" = "$id" ] || fail "desktop entry Icon=$(entry Icon), not the application id"
[ "$(entry NoDisplay)" = "true" ] || fail "desktop entry NoDisplay=$(entry NoDisplay)"
[ -n "$(entry Categories)" ] || fail "desktop entry without Categories"
# The action that file managers offer on list files: the preview.
[ "$(entry Actions)" = "preview;" ] || fail "desktop entry Actions=$(entry Actions)"
[ "$(entry Name 'Desktop Action preview')" = "Preview Record Sheets" ] ||
    fail "desktop action Name=$(entry Name 'Desktop Action preview')"
[ "$(entry Exec 'Desktop Action preview')" = "lstprint --preview %f" ] ||
    fail "desktop action Exec=$(entry Exec 'Desktop Action preview')"

# The MIME package: well-formed, accepted by shared-mime-info, and the type the entry opens is the
# one that claims *.lst files, a kind of plain text.
quiet xmllint --noout "$mime"
mime_db="$work/mime"
mkdir -p "$mime_db/packages"
cp "$mime" "$mime_db/packages/"
XDG_DATA_DIRS=$work quiet update-mime-database "$mime_db"
type=$(awk -F: '$3 == "*.lst" { print $2 }' "$mime_db/globs2" 2>/dev/null)
[ -n "$type" ] || fail "no MIME type claims *.lst"
[ "$(entry MimeType)" = "$type;" ] || fail "desktop entry MimeType=$(entry MimeType), the MIME package declares $type"
grep -qx "$type text/plain" "$mime_db/subclasses" 2>/dev/null || fail "$type is not a sub-class of text/plain"

# The metainfo: valid with not even a pedantic remark, and naming the id, the entry and the version.
appstream_clean() {
    local output status=0
    output=$(appstreamcli "$@" --no-net --pedantic 2>&1) || status=$?
    if [ "$status" -ne 0 ] || grep -q '^[EWIP]: ' <<<"$output"; then
        fail "appstreamcli $* (status $status):"
        printf '%s\n' "$output" >&2
    fi
}
appstream_clean validate "$metainfo"
appstream_clean validate-tree "$root"
xpath() { xmllint --xpath "$1" "$metainfo" 2>/dev/null || true; }
[ "$(xpath 'string(/component/id)')" = "$id" ] || fail "metainfo id $(xpath 'string(/component/id)')"
[ "$(xpath 'string(/component/launchable)')" = "$id.desktop" ] ||
    fail "metainfo launchable $(xpath 'string(/component/launchable)')"
[ "$(xpath 'string(/component/releases/release[1]/@version)')" = "$version" ] ||
    fail "metainfo release $(xpath 'string(/component/releases/release[1]/@version)'), not $version"
[ "$(xpath 'string(/component/provides/mediatype)')" = "$type" ] || fail "metainfo does not provide $type"

# The icons.
for size in 16 32 48; do
    png="$usr/share/icons/hicolor/${size}x$size/apps/$id.png"
    file -b "$png" | grep -q "^PNG image data, $size x $size," || fail "$png: $(file -b "$png")"
done
svg="$usr/share/icons/hicolor/scalable/apps/$id.svg"
quiet xmllint --noout "$svg"
[ "$(xmllint --xpath 'local-name(/*)' "$svg" 2>/dev/null)" = svg ] || fail "$svg is not an SVG document"

# The bash completion: a script bash reads, defining the completion of lstprint.
completion="$usr/share/bash-completion/completions/lstprint"
bash -n "$completion" 2>"$work/completion.txt" || fail "$completion: $(cat "$work/completion.txt")"
grep -q '^ *complete -F _lstprint lstprint$' "$completion" || fail "$completion does not complete lstprint"

# The manual page: rendered without a warning, with the version, and with the tables of data/ that
# the README sends its readers to.
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >"$work/page.txt" 2>"$work/man-warnings.txt" ||
    fail "man could not render the page"
if [ -s "$work/man-warnings.txt" ]; then
    fail "man --warnings:"
    cat "$work/man-warnings.txt" >&2
fi
grep -q "lstprint $version" "$work/page.txt" || fail "the manual page does not carry version $version"
tr -s " \n" "  " <"$work/page.txt" | grep -q "GNU GPL version 3 or later" || fail "the manual page does not state the licence"
# A table of data/ and the page's list of .TP entries under a section, each as lines of
# "tag: text", where the file's first column is the tag and the page's tag is in bold.
data_table() {
    awk -F '\t' '!/^#/ && NF >= 2 { print $1 ": " $2 }' "$1"
}
page_table() {
    gzip -dc "$page" | awk -v section="$1" '
        function flush() { if (tag != "") print tag ": " text; tag = ""; text = "" }
        /^\.SH/ { flush(); inside = ($0 == ".SH " section); next }
        !inside { next }
        /^\.TP/ { flush(); want_tag = 1; next }
        want_tag && /^\.B / { tag = substr($0, 4); gsub(/"/, "", tag); want_tag = 0; next }
        /^\./ { flush(); next }
        tag != "" { line = $0; gsub(/\\~/, " ", line); gsub(/\\-/, "-", line); text = text (text == "" ? "" : " ") line }
        END { flush() }'
}
same_table() {
    data_table "$1" >"$work/data-table.txt"
    page_table "$2" >"$work/page-table.txt"
    if [ ! -s "$work/data-table.txt" ]; then
        fail "no entries in $1"
    elif ! diff -u "$work/data-table.txt" "$work/page-table.txt" >"$work/table.diff"; then
        fail "the manual page's $2 differ from $1:"
        cat "$work/table.diff" >&2
    fi
}
data=$(dirname "$readme")/data
same_table "$data/errors.txt" DIAGNOSTICS
same_table "$data/exit-statuses.txt" "EXIT STATUS"
grep -q 'man lstprint' "$readme" || fail "the README does not send its readers to man lstprint"

# The program, run from where it is installed, in a bare environment: no LD_LIBRARY_PATH, no
# display, no Qt settings. The sanitizers' settings pass through for the sanitizer build.
program="$usr/bin/lstprint"
if readelf -d "$program" | grep -Eq '\((RPATH|RUNPATH)\)'; then
    fail "the installed program keeps a library path: $(readelf -d "$program" | grep -E 'RPATH|RUNPATH')"
fi
mkdir -p "$work/home"
bare=(timeout 60 env -i PATH=/usr/bin:/bin HOME="$work/home" LC_ALL=C.UTF-8
    ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${LSAN_OPTIONS:+LSAN_OPTIONS=$LSAN_OPTIONS}
    ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS})
status=0
said=$("${bare[@]}" "$program" --version 2>"$work/version-stderr.txt") || status=$?
[ "$status" -eq 0 ] && [ "$(head -n 1 <<<"$said")" = "lstprint $version" ] && grep -q '^License GPLv3+' <<<"$said" ||
    fail "lstprint --version said '$said' (status $status): $(cat "$work/version-stderr.txt")"

cp -R "$demo" "$work/demo"
records=$(($(grep -c '[^[:space:]]' "$work/demo"/*.lst) - 1))
status=0
"${bare[@]}" "$program" --pdf "$work/demo.pdf" "$work/demo" 2>"$work/pdf-stderr.txt" || status=$?
pages=$(pdfinfo "$work/demo.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')
if [ "$status" -ne 0 ] || [ "$pages" != "$records" ]; then
    fail "lstprint --pdf on the demo folder: status $status, ${pages:-no} pages for $records records:"
    cat "$work/pdf-stderr.txt" >&2
fi

# The installed translations are found from where the program is installed.
status=0
german=(timeout 60 env -i PATH=/usr/bin:/bin HOME="$work/home" LANG=de_DE.UTF-8
    ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${LSAN_OPTIONS:+LSAN_OPTIONS=$LSAN_OPTIONS}
    ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS})
said=$("${german[@]}" "$program" --pdf "$work/demo-de.pdf" "$work/demo" 2>&1) || status=$?
if [ "$status" -ne 0 ] || ! grep -qx "$records Seiten nach .*demo-de\.pdf gedruckt\." <<<"$said"; then
    fail "lstprint --pdf under LANG=de_DE.UTF-8 (status $status) did not speak German: $said"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "PASS: $(wc -l <"$work/installed.txt") files installed and checked; lstprint $version ran from the installed tree"
