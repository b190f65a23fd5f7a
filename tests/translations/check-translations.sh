#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# The program's languages on the command line: the translations are up to date with the code and
# complete (tools/update-translations.sh --check), and the built program speaks German under
# LANG=de_DE.UTF-8, English in the C locale and to a user who puts English first, with the
# plural forms of each. Each case runs the program in an environment of its own: only PATH, HOME
# and the locale variables the case gives.
# Usage: check-translations.sh LSTPRINT SOURCE_DIR
set -euo pipefail
program=$(realpath "$1")
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

bash "$source_dir/tools/update-translations.sh" --check || fail "the translations are not up to date or not complete"

cp -R "$source_dir/demo" "$work/demo"
mkdir "$work/one" "$work/empty"
head -n 2 "$work/demo"/*.lst >"$work/one/one.lst"
# with its record's picture, so that the closing line is the one sentence the cases look for
cp "$work/demo/lamp.gif" "$work/one/"

# locale settings | arguments (run in $work) | expected status | a line the output must hold (a
# grep -x pattern)
cases=(
    "LANG=de_DE.UTF-8|--pdf out.pdf demo|0|6 Seiten nach out\\.pdf gedruckt\\."
    "LANG=de_DE.UTF-8|--pdf out.pdf one|0|1 Seite nach out\\.pdf gedruckt\\."
    "LANG=de_DE.UTF-8|--pdf out.pdf -r 9 demo|3|Es wurde nichts gedruckt: .* hat 6 Datensätze, keiner davon ist ausgewählt\\."
    "LANG=de_DE.UTF-8|--pdf out.pdf empty|3|Fehler 101: Im Ordner .*/empty wurde keine Listendatei (\\*\\.lst) gefunden\\."
    "LANG=de_DE.UTF-8|--bogus|2|„lstprint --help“ liefert weitere Informationen\\."
    "LANG=de_DE.UTF-8|--bogus|2|lstprint: Unbekannte Option 'bogus'\\."
    "LANG=de_DE.UTF-8|--help|0|Aufruf: lstprint \\[FOLDER | LIST\\.lst\\]"
    "LANG=de_DE.UTF-8|--help|0|Rückgabewert:"
    "LANG=de_DE.UTF-8|--version|0|Lizenz GPLv3+: GNU GPL Version 3 oder neuer <https://gnu\\.org/licenses/gpl\\.html>\\."
    "LC_ALL=de_DE.UTF-8 LANG=C.UTF-8|--pdf out.pdf one|0|1 Seite nach out\\.pdf gedruckt\\."
    "LANG=C.UTF-8|--pdf out.pdf demo|0|Printed 6 pages to out\\.pdf\\."
    "LANG=C.UTF-8|--pdf out.pdf one|0|Printed 1 page to out\\.pdf\\."
    "LANG=C.UTF-8|--bogus|2|Try 'lstprint --help' for more information\\."
    "LANGUAGE=en:de LANG=de_DE.UTF-8|--pdf out.pdf one|0|Printed 1 page to out\\.pdf\\."
    "LANGUAGE=fr:de LANG=de_DE.UTF-8|--pdf out.pdf one|0|1 Seite nach out\\.pdf gedruckt\\."
    "LANG=fr_FR.UTF-8|--pdf out.pdf demo|0|Printed 6 pages to out\\.pdf\\."
)
for case in "${cases[@]}"; do
    IFS='|' read -r settings arguments expected pattern <<<"$case"
    read -ra locale <<<"$settings"
    read -ra args <<<"$arguments"
    status=0
    (cd "$work" && timeout 60 env -i PATH=/usr/bin:/bin HOME="$work" "${locale[@]}" \
        ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${LSAN_OPTIONS:+LSAN_OPTIONS=$LSAN_OPTIONS} \
        ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS} \
        "$program" "${args[@]}" >"$work/out.txt" 2>&1) || status=$?
    if [ "$status" -ne "$expected" ] || ! grep -qx -- "$pattern" "$work/out.txt"; then
        fail "$settings lstprint $arguments: status $status (expected $expected), no line '$pattern' in:"
        sed 's/^/    /' "$work/out.txt" >&2
    fi
done

if [ "$failures" -gt 0 ]; then
    echo "$failures of ${#cases[@]} case(s) failed" >&2
    exit 1
fi
echo "PASS: translations up to date and complete; ${#cases[@]} command-line cases in German and English"
