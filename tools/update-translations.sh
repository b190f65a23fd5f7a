#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Brings translations/lstprint_*.ts up to date with the texts of the code, through Qt Linguist's
# lupdate: new texts are added to each language untranslated, texts the code no longer has are
# dropped. lstprint_en.ts holds only the English plural forms. After running it, translate what
# it added (Qt Linguist, or by hand: each <translation type="unfinished">).
# With --check it changes nothing and fails when a .ts is not up to date with the code or a text
# is left untranslated: the test suite runs it so.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
check=false
[ "${1:-}" = --check ] && check=true
lupdate=$(command -v /usr/lib/qt6/bin/lupdate || command -v lupdate6 || true)
if [ -z "$lupdate" ]; then
    echo "update-translations: Qt 6's lupdate is not installed (qt6-l10n-tools; tools/deps.sh installs it)" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The texts of --help's exit statuses are made from data/exit-statuses.txt at build time.
cmake -DMODE=help -DEXIT_STATUSES="$root/data/exit-statuses.txt" -DOUTPUT="$work/exitstatustable.h" \
    -P "$root/cmake/GenerateTables.cmake"
sources=("$work/exitstatustable.h")
while IFS= read -r -d '' file; do
    sources+=("$file")
done < <(find "$root/base" "$root/surface" "$root/printrun" "$root/app" \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)

status=0
for ts in "$root"/translations/lstprint_*.ts; do
    name=$(basename "$ts")
    language=${name#lstprint_}
    language=${language%.ts}
    options=(-silent -no-obsolete -locations none -target-language "$language")
    [ "$language" = en ] && options+=(-pluralonly)
    target=$ts
    if $check; then
        target=$work/$name
        cp "$ts" "$target"
    fi
    "$lupdate" "${options[@]}" "${sources[@]}" -ts "$target" >"$work/lupdate.log" 2>&1 || {
        cat "$work/lupdate.log" >&2
        exit 1
    }
    # lupdate warns of a text it cannot take (tr() of something that is not a string literal). Its
    # parser does not know the standard library, and says so of std:: names, which hold no text.
    if grep -v '^Updating\|^    Found\|^Stripping\|Qualifying with unknown namespace/class ::std$' \
        "$work/lupdate.log" | grep -q .; then
        cat "$work/lupdate.log" >&2
        status=1
    fi
    if $check; then
        if ! diff -u "$ts" "$target" >"$work/diff"; then
            echo "update-translations: translations/$name is not up to date with the code; run tools/update-translations.sh:" >&2
            cat "$work/diff" >&2
            status=1
        fi
    fi
    untranslated=$(grep -c 'type="unfinished"' "$target" || true)
    if [ "$untranslated" -ne 0 ]; then
        echo "update-translations: translations/$name has $untranslated untranslated text(s)" >&2
        status=1
    fi
    # A numerus form left empty shows nothing for that count.
    if grep -q '<numerusform></numerusform>' "$target"; then
        echo "update-translations: translations/$name has an empty plural form" >&2
        status=1
    fi
    $check || echo "translations/$name: $(grep -c '<source>' "$target") texts, $untranslated untranslated"
done
exit $status
