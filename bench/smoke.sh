#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# A small run of the benchmark programs, for CTest: generates three data sets, prints each with
# lstbench-run and lstbench-baseline, and checks that the report lines parse, the page counts and
# image objects are right, generation is deterministic, and both programs wrote the same pages.
# Usage: bench/smoke.sh BIN_DIR WORK_DIR
set -euo pipefail
bin=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

number='[0-9]+(\.[0-9]+)?'
check_line() { # name program records line
    local pattern="^lstbench program=$2 records=$3 pages=$3 seconds=$number cpu_seconds=$number"
    pattern+=" pages_per_second=$number peak_rss_kib=[0-9]+ output_bytes=[0-9]+$"
    [[ $4 =~ $pattern ]] || fail "$1: $2 report line does not parse: $4"
}

# name | data set options | records | image objects expected in the PDF
cases=(
    "gif|--records 50 --pictures 5 --picture-size 120x90 --format gif|50|6"
    "jpeg|--records 12 --pictures 12 --picture-size 160x120 --format jpeg --no-logo|12|12"
    "png|--records 20 --fields 11 --pictures 3 --picture-size 64x64 --format png|20|4"
)
for entry in "${cases[@]}"; do
    IFS='|' read -r name options records images <<<"$entry"
    folder=$work/$name
    # shellcheck disable=SC2086
    "$bin/lstbench-gen" $options "$folder" >/dev/null
    # shellcheck disable=SC2086
    "$bin/lstbench-gen" $options "$work/$name-again" >/dev/null
    diff -r "$folder" "$work/$name-again" >/dev/null || fail "$name: the same options gave different files"

    run_line=$("$bin/lstbench-run" --date 2026-03-04 --out "$work/$name-run.pdf" "$folder" 2>"$work/$name-run.err") ||
        fail "$name: lstbench-run failed: $(cat "$work/$name-run.err")"
    # shellcheck disable=SC2086
    base_line=$("$bin/lstbench-baseline" $options --date 2026-03-04 --out "$work/$name-base.pdf" "$folder" \
        2>"$work/$name-base.err") || fail "$name: lstbench-baseline failed: $(cat "$work/$name-base.err")"
    check_line "$name" run "$records" "$run_line"
    check_line "$name" baseline "$records" "$base_line"

    for pdf in "$work/$name-run.pdf" "$work/$name-base.pdf"; do
        pages=$(pdfinfo "$pdf" | awk '/^Pages:/ { print $2 }')
        [ "$pages" = "$records" ] || fail "$name: $pdf has ${pages:-no} pages, expected $records"
        objects=$(pdfimages -list "$pdf" | awk 'NR > 2 { print $11 }' | sort -u | wc -l)
        [ "$objects" = "$images" ] || fail "$name: $pdf holds $objects image objects, expected $images"
    done
    size=$(stat -c %s "$work/$name-run.pdf")
    [[ $run_line == *" output_bytes=$size" ]] || fail "$name: the run reported another size than $size bytes"

    # The same pages: the same text, and the first and last pages render alike.
    pdftotext -layout "$work/$name-run.pdf" "$work/$name-run.txt"
    pdftotext -layout "$work/$name-base.pdf" "$work/$name-base.txt"
    cmp -s "$work/$name-run.txt" "$work/$name-base.txt" || fail "$name: the two PDFs hold different text"
    grep -Eq "04-03-2026 +Page :$records\$" "$work/$name-run.txt" || fail "$name: no footer for page $records"
    # The two writers antialias edges a little differently: at most 0.5 % of the pixels may differ,
    # each by at most 32 levels of 255.
    for page in 1 "$records"; do
        pdftoppm -r 60 -f "$page" -l "$page" -singlefile "$work/$name-run.pdf" "$work/$name-run-$page"
        pdftoppm -r 60 -f "$page" -l "$page" -singlefile "$work/$name-base.pdf" "$work/$name-base-$page"
        differing=$(compare -metric AE -fuzz 12.5% "$work/$name-run-$page.ppm" "$work/$name-base-$page.ppm" null: 2>&1) || true
        total=$(identify -format '%[fx:w*h]' "$work/$name-run-$page.ppm")
        [[ $differing =~ ^[0-9]+$ ]] && [ $((differing * 200)) -le "$total" ] ||
            fail "$name: page $page looks different ($differing of $total pixels)"
    done
done

# The window's run of the same folder, where the program window is built: same pages and pictures.
if [ -x "$bin/lstbench-window" ]; then
    line=$("$bin/lstbench-window" --out "$work/gif-window.pdf" "$work/gif" 2>"$work/gif-window.err") ||
        fail "gif: lstbench-window failed: $(cat "$work/gif-window.err")"
    check_line gif window 50 "$line"
    pages=$(pdfinfo "$work/gif-window.pdf" | awk '/^Pages:/ { print $2 }')
    [ "$pages" = 50 ] || fail "gif: the window's PDF has ${pages:-no} pages, expected 50"
    objects=$(pdfimages -list "$work/gif-window.pdf" | awk 'NR > 2 { print $11 }' | sort -u | wc -l)
    [ "$objects" = 6 ] || fail "gif: the window's PDF holds $objects image objects, expected 6"
fi

# The preview of the same folder: its report, with the time its first page took.
if [ -x "$bin/lstbench-preview" ]; then
    line=$("$bin/lstbench-preview" "$work/gif" 2>"$work/gif-preview.err") ||
        fail "gif: lstbench-preview failed: $(cat "$work/gif-preview.err")"
    [[ $line =~ ^lstbench\ program=preview\ records=50\ pages=50\ .*\ first_page_ms=$number$ ]] ||
        fail "gif: preview report line does not parse: $line"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures checks failed" >&2
    exit 1
fi
echo "bench smoke: ${#cases[@]} data sets, run and baseline agree"
