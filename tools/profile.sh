#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Profiles one benchmark case with perf (software cpu-clock sampling, which works in virtual
# machines without hardware counters) and prints where the print run spends its time.
# Usage: tools/profile.sh [run|baseline] CASE   (CASE: a folder name under build-bench/bench-data,
# made by tools/bench.sh, e.g. text-10k, gif-10k, jpeg-1k)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-}
name=${2:-}
build=${LSTBENCH_BUILD:-$root/build-bench}
folder=$build/bench-data/$name
if [[ ! $program =~ ^(run|baseline)$ ]] || [ -z "$name" ] || [ ! -f "$folder/.lstbench-options" ]; then
    sed -n '2,6p' "$0" >&2
    exit 2
fi
"$root/tools/deps.sh" --profiling
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$build/runtime}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
command=("$build/bench/lstbench-run" "$folder")
if [ "$program" = baseline ]; then
    # shellcheck disable=SC2046
    command=("$build/bench/lstbench-baseline" $(cat "$folder/.lstbench-options") "$folder")
fi
data=$build/perf-$program-$name.data
if ! perf record -e cpu-clock -F 999 --call-graph dwarf,16384 -o "$data" "${command[@]}"; then
    echo "perf cannot sample here; try: valgrind --tool=callgrind ${command[*]}" >&2
    exit 1
fi
echo "== Inclusive time of the print run's own routines and Qt's drawing entry points =="
perf report -i "$data" --children --stdio -g none 2>/dev/null |
    grep -E '^ +[0-9]' | grep -E 'PrintRun::|PdfSurface::|PictureLoader::|ListFileReader::|QPainter::draw|QPdfEngine' |
    head -n 30 || true # head leaves early; that is not a failure
echo "== Where the time is spent, by library =="
perf report -i "$data" --no-children --sort dso --stdio -g none 2>/dev/null | grep -E '^ +[0-9]' | head -n 10 || true
echo "Full report: perf report -i $data"
