#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Builds the benchmark, generates its data sets and times the print run against the baseline (the
# same pages written straight through QPdfWriter), then prints the medians and the targets as a
# Markdown table; then sends two data sets as raster to a test printer (lstbench-raster, on an
# ippeveprinter of tests/cups/ipp-printers.sh) beside the least work of it.
#
# Usage: tools/bench.sh [--repeat N] [--build DIR] [--data DIR]
#   --repeat N  runs of each program per case (default 3; the median is reported)
#   --build DIR build folder (default build-bench), --data DIR data sets (default DIR/bench-data)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
repeat=3
build=$root/build-bench
data=
while [ $# -gt 0 ]; do
    case $1 in
    --repeat) repeat=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --data) data=$2; shift 2 ;;
    *) sed -n '2,10p' "$0" >&2; exit 2 ;;
    esac
done
[ "$repeat" -ge 1 ] || { echo "--repeat must be at least 1" >&2; exit 2; }
data=${data:-$build/bench-data}

"$root/tools/deps.sh"
echo "== Build ($build) ==" >&2
"$root/tools/build.sh" "$build" -DBUILD_TESTING=OFF -DLSTPRINT_BUILD_BENCH=ON >&2
bin=$build/bench
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$build/runtime}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# name | data set options | target: "ratio LIMIT" (run/baseline wall time) or "rss" (run only)
cases=(
    "text-10k|--records 10000|ratio 0.45"
    "gif-10k|--records 10000 --pictures 100 --picture-size 400x300 --format gif|ratio 0.6"
    "jpeg-1k|--records 1000 --pictures 1000 --picture-size 800x600 --format jpeg|ratio 0.15"
    "text-1k|--records 1000|rss"
    "text-100k|--records 100000|rss"
    "text-1m|--records 1000000|rss"
)

# Generates a data set unless the folder already holds one made with the same options.
generate() { # folder options...
    local folder=$1; shift
    if [ "$(cat "$folder/.lstbench-options" 2>/dev/null)" != "$*" ]; then
        rm -rf "$folder"
        "$bin/lstbench-gen" "$@" "$folder" >&2
        echo "$*" >"$folder/.lstbench-options"
    fi
}

field() { # report-line key
    tr ' ' '\n' <<<"$1" | sed -n "s/^$2=//p"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

results=$(mktemp)
trap 'rm -f "$results"' EXIT
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for entry in "${cases[@]}"; do
    IFS='|' read -r name options target <<<"$entry"
    folder=$data/$name
    # shellcheck disable=SC2086
    generate "$folder" $options
    records=$(sed -n 's/.*--records \([0-9]*\).*/\1/p' <<<"$options")
    for ((i = 1; i <= repeat; i++)); do
        # Alternate which program goes first, so neither always runs on a warmer cache.
        order="run baseline"
        [ "${target%% *}" = rss ] && order="run"
        [ $((i % 2)) -eq 0 ] && [ "$order" != run ] && order="baseline run"
        for program in $order; do
            if [ "$program" = run ]; then
                line=$("$bin/lstbench-run" "$folder" 2>&1 | grep '^lstbench ') || { echo "run failed on $name" >&2; exit 1; }
            else
                # shellcheck disable=SC2086
                line=$("$bin/lstbench-baseline" $options "$folder" 2>&1 | grep '^lstbench ') || { echo "baseline failed on $name" >&2; exit 1; }
            fi
            pages=$(field "$line" pages)
            [ "$pages" = "$records" ] || { echo "$name: $program wrote $pages pages for $records records" >&2; exit 1; }
            echo "$name $program $(field "$line" seconds) $(field "$line" cpu_seconds) $(field "$line" peak_rss_kib) $(field "$line" output_bytes) $(field "$line" pages_per_second)" >>"$results"
            echo "  $name $program #$i: $line" >&2
        done
    done
    run_pdf=$folder/lstbench-run.pdf
    pdf_pages=$(pdfinfo "$run_pdf" | awk '/^Pages:/ { print $2 }')
    [ "$pdf_pages" = "$records" ] || { echo "$name: pdfinfo counts $pdf_pages pages, expected $records" >&2; exit 1; }
    pdfimages -list "$run_pdf" | awk 'NR > 2 { print $11 }' | sort -u | wc -l >"$folder/.image-objects"
done
# The same 10,000-record runs through the program window, with and without its progress window.
window_cases=()
if [ -x "$bin/lstbench-window" ]; then
    window_cases=(text-10k gif-10k)
    for name in "${window_cases[@]}"; do
        for ((i = 1; i <= repeat; i++)); do
            # The plain run goes in the same rotation, so all three see the same machine load.
            case $((i % 3)) in
            1) order="run window-no-progress window" ;;
            2) order="window-no-progress window run" ;;
            0) order="window run window-no-progress" ;;
            esac
            for program in $order; do
                case $program in
                run) command=("$bin/lstbench-run" "$data/$name") ;;
                window) command=("$bin/lstbench-window" "$data/$name") ;;
                window-no-progress) command=("$bin/lstbench-window" --no-progress "$data/$name") ;;
                esac
                line=$("${command[@]}" 2>&1 | grep '^lstbench ') || { echo "$program failed on $name" >&2; exit 1; }
                echo "window:$name $program $(field "$line" seconds) $(field "$line" cpu_seconds) $(field "$line" peak_rss_kib) $(field "$line" output_bytes) $(field "$line" pages_per_second)" >>"$results"
                echo "  $name $program (window rotation) #$i: $line" >&2
            done
        done
    done
fi
# Raster: text-1k and jpeg-1k sent at 300 dpi to a test printer that takes PWG raster only
# (ippeveprinter, keeping nothing), beside the least work of it: pdftoppm -r 300 of the same PDF and
# libcups's raster writer on its pixels. Once each, as a run takes minutes; text-1k's first 100
# records too, for the memory of a shorter job.
raster_cases=(text-1k jpeg-1k)
printers=$build/bench-printers
"$root/tests/cups/ipp-printers.sh" start "$printers" sink >&2
trap 'rm -f "$results"; "$root/tests/cups/ipp-printers.sh" stop "$printers"' EXIT
[ ! -e "$printers/unavailable" ] || { echo "no test printer: $(cat "$printers/unavailable")" >&2; exit 1; }
uri=ipp://localhost:$(cat "$printers/sink.port")/ipp/print
raster_results=$(mktemp)
for name in "${raster_cases[@]}"; do
    pdf=$data/$name/lstbench-raster.pdf
    line=$("$bin/lstbench-raster" --printer "$uri" --pdf "$pdf" "$data/$name" 2>&1 | grep '^lstbench ') || { echo "raster run failed on $name" >&2; exit 1; }
    echo "  $name raster: $line" >&2
    least=$("$bin/lstbench-raster" --least-work 300 "$pdf" 2>&1 | grep '^lstbench ') || { echo "least work failed on $name" >&2; exit 1; }
    echo "  $name least work: $least" >&2
    short=-
    if [ "$name" = text-1k ]; then
        short=$("$bin/lstbench-raster" --printer "$uri" --records 100 --pdf "$pdf" "$data/$name" 2>&1 | grep '^lstbench ') || { echo "raster run failed on $name, 100 records" >&2; exit 1; }
        echo "  $name raster, 100 records: $short" >&2
        short=$(field "$short" peak_rss_kib)
    fi
    echo "$name $(field "$line" pages) $(field "$line" send_seconds) $(field "$least" seconds) $(field "$least" render_seconds) $(field "$line" send_pages_per_second) $(field "$line" first_side_after_document) $(field "$line" peak_rss_kib) $short" >>"$raster_results"
done
# The preview as a user opens it: how soon its first page is rendered, how long until the whole
# document is made, and its peak memory while the view goes to the end every 10,000 pages and is
# paged through at the end.
preview_cases=()
if [ -x "$bin/lstbench-preview" ]; then
    preview_cases=(text-100k gif-10k)
    for name in "${preview_cases[@]}"; do
        for ((i = 1; i <= repeat; i++)); do
            line=$("$bin/lstbench-preview" "$data/$name" 2>&1 | grep '^lstbench ') || { echo "preview failed on $name" >&2; exit 1; }
            echo "preview:$name preview $(field "$line" seconds) $(field "$line" cpu_seconds) $(field "$line" peak_rss_kib) $(field "$line" output_bytes) $(field "$line" pages_per_second) $(field "$line" first_page_ms)" >>"$results"
            echo "  $name preview #$i: $line" >&2
        done
    done
fi
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

stat() { # case program column(3 wall, 4 cpu, 5 rss, 6 bytes, 7 pages/s)
    awk -v c="$1" -v p="$2" -v k="$3" '$1 == c && $2 == p { print $k }' "$results" | median
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
within() { awk -v r="$1" -v l="$2" 'BEGIN { print (r <= l) ? "met" : "missed" }'; }

echo
echo "Machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1)," \
    "$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo) RAM;" \
    "load average $load_before before, $load_after after; $repeat runs per program, medians."
echo
echo "| case | baseline s (CPU s) | run s (CPU s) | run / baseline (CPU) | target | result | run pages/s | run peak RSS | PDF | image objects |"
echo "| --- | --- | --- | --- | --- | --- | --- | --- | --- | --- |"
for entry in "${cases[@]}"; do
    IFS='|' read -r name options target <<<"$entry"
    [ "${target%% *}" = ratio ] || continue
    limit=${target#* }
    bw=$(stat "$name" baseline 3) bc=$(stat "$name" baseline 4)
    rw=$(stat "$name" run 3) rc=$(stat "$name" run 4)
    r=$(ratio "$rw" "$bw")
    images=$(cat "$data/$name/.image-objects")
    printf '| %s | %.3f (%.3f) | %.3f (%.3f) | %s (%s) | ≤ %s | %s | %.0f | %.1f MB | %.1f MB | %s |\n' \
        "$name" "$bw" "$bc" "$rw" "$rc" "$r" "$(ratio "$rc" "$bc")" "$limit" "$(within "$r" "$limit")" \
        "$(stat "$name" run 7)" "$(awk -v k="$(stat "$name" run 5)" 'BEGIN { print k / 1024 }')" \
        "$(awk -v b="$(stat "$name" run 6)" 'BEGIN { print b / 1048576 }')" "$images"
done
small=$(stat text-1k run 5) middle=$(stat text-100k run 5) large=$(stat text-1m run 5)
r=$(ratio "$large" "$small")
mb=$(awk -v k="$large" 'BEGIN { printf "%.1f", k / 1024 }')
echo
echo "| peak RSS | 1,000 records | 100,000 records | 1,000,000 records | ratio (1k to 1M) | target | result |"
echo "| --- | --- | --- | --- | --- | --- | --- |"
printf '| text and logo | %.1f MB | %.1f MB | %s MB | %s | ≤ 1.2 and < 40 MB | %s |\n' "$(awk -v k="$small" 'BEGIN { print k / 1024 }')" \
    "$(awk -v k="$middle" 'BEGIN { print k / 1024 }')" "$mb" "$r" \
    "$(awk -v r="$r" -v m="$mb" 'BEGIN { print (r <= 1.2 && m < 40) ? "met" : "missed" }')"
# jpeg-1k: the PDF is the pictures' own bytes and a little more, and memory stays small.
pictures=$(cat "$data/jpeg-1k"/picture-*.jpg | wc -c)
pdf=$(stat jpeg-1k run 6) jpeg_rss=$(stat jpeg-1k run 5)
echo
echo "| jpeg-1k | pictures' bytes | PDF | PDF / pictures | target | peak RSS | target | result |"
echo "| --- | --- | --- | --- | --- | --- | --- | --- |"
printf '| run | %.1f MB | %.1f MB | %s | ≤ 1.03 | %.1f MB | ≤ 40 MB | %s |\n' "$(awk -v b="$pictures" 'BEGIN { print b / 1048576 }')" \
    "$(awk -v b="$pdf" 'BEGIN { print b / 1048576 }')" "$(awk -v a="$pdf" -v b="$pictures" 'BEGIN { printf "%.3f", a / b }')" \
    "$(awk -v k="$jpeg_rss" 'BEGIN { print k / 1024 }')" \
    "$(awk -v a="$pdf" -v b="$pictures" -v k="$jpeg_rss" 'BEGIN { print (a <= b * 1.03 && k <= 40 * 1024) ? "met" : "missed" }')"
if [ ${#window_cases[@]} -gt 0 ]; then
    echo
    echo "| through the window | no window (lstbench-run) s (CPU s) | window, progress off s (CPU s) | window, progress on s (CPU s) | progress window cost (CPU) |"
    echo "| --- | --- | --- | --- | --- |"
    for name in "${window_cases[@]}"; do
        key=window:$name
        off=$(stat "$key" window-no-progress 3) on=$(stat "$key" window 3)
        offc=$(stat "$key" window-no-progress 4) onc=$(stat "$key" window 4)
        printf '| %s | %.3f (%.3f) | %.3f (%.3f) | %.3f (%.3f) | %+.1f%% (%+.1f%%) |\n' "$name" "$(stat "$key" run 3)" \
            "$(stat "$key" run 4)" "$off" "$offc" "$on" "$onc" \
            "$(awk -v a="$on" -v b="$off" 'BEGIN { print (a / b - 1) * 100 }')" \
            "$(awk -v a="$onc" -v b="$offc" 'BEGIN { print (a / b - 1) * 100 }')"
    done
fi
echo
echo "| raster, 300 dpi | pages | sent in s (pages/s) | least work s (pdftoppm s) | sent / least work | target | first page sent after the document's end | target | peak RSS (100 pages) | target | result |"
echo "| --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- |"
while read -r name pages sent least render rate first rss short; do
    r=$(ratio "$sent" "$least")
    mb=$(awk -v k="$rss" 'BEGIN { printf "%.1f", k / 1024 }')
    shortmb=$([ "$short" = - ] && echo - || awk -v k="$short" 'BEGIN { printf "%.1f MB", k / 1024 }')
    printf '| %s | %s | %.1f (%.1f) | %.1f (%.1f) | %s | ≤ 1.3 | %.2f s | ≤ 1 s | %s MB (%s) | < 150 MB | %s |\n' \
        "$name" "$pages" "$sent" "$rate" "$least" "$render" "$r" "$first" "$mb" "$shortmb" \
        "$(awk -v r="$r" -v f="$first" -v m="$mb" 'BEGIN { print (r <= 1.3 && f <= 1 && m < 150) ? "met" : "missed" }')"
done <"$raster_results"
rm -f "$raster_results"
if [ ${#preview_cases[@]} -gt 0 ]; then
    echo
    echo "| preview | first page shown | whole document s (CPU s) | peak RSS | target | result |"
    echo "| --- | --- | --- | --- | --- | --- |"
    for name in "${preview_cases[@]}"; do
        key=preview:$name
        first=$(stat "$key" preview 8) rss=$(stat "$key" preview 5)
        printf '| %s | %.0f ms | %.2f (%.2f) | %.1f MB | first page ≤ 500 ms, peak RSS < 200 MB | %s |\n' "$name" "$first" \
            "$(stat "$key" preview 3)" "$(stat "$key" preview 4)" "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')" \
            "$(awk -v f="$first" -v k="$rss" 'BEGIN { print (f <= 500 && k < 200 * 1024) ? "met" : "missed" }')"
    done
fi
gif_images=$(cat "$data/gif-10k/.image-objects")
echo
echo "gif-10k image objects in the run's PDF: $gif_images (target 101: $([ "$gif_images" = 101 ] && echo met || echo missed))"
