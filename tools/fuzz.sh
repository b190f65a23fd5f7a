#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz and runs each of them in turn for a bounded time, seeded from fuzz/seeds/<target> and
# fuzz/regressions/<target>. Prints one line per target and fails on any finding: a crash, a
# sanitizer report, a leak, a timeout or passing the memory limit.
#
# The inputs a target finds are kept in build-fuzz/fuzz-run/<target>/corpus (never in the source
# tree), its log with libFuzzer's final statistics in build-fuzz/fuzz-run/<target>/log, and a
# failing input in build-fuzz/fuzz-run/<target>/artifacts: copied into fuzz/regressions/<target>/
# under a name that says what it caught, it becomes a case of tst_fuzzreplay.
# Usage: tools/fuzz.sh [seconds per target] [extra cmake arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
dir=$root/build-fuzz

cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
    -DLSTPRINT_FUZZ=ON "$@" >/dev/null
cmake --build "$dir" --parallel

# fuzz_printrun rewrites its program folders for every input: keep them in memory when we can.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
# A smaller quarantine than the default and no allocation stacks keep the rate of executions up:
# recording a stack costs more than the allocation, and the in-memory targets make about a
# hundred allocations an input. Every fault and leak is still caught, and a finding replayed by
# tst_fuzzreplay in the sanitizer build (build-asan) shows where its memory came from.
export ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=16:malloc_context_size=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0

# What each target is given besides its seeds: the longest input and a dictionary of the pieces of
# its format that random mutation is slow to come up with.
target_options() {
    case $1 in
    printrun) echo "-max_len=4096 -dict=$root/fuzz/lst.dict" ;;
    listgrid) echo "-max_len=4096 -dict=$root/fuzz/lst.dict" ;;
    picture) echo "-max_len=65536 -dict=$root/fuzz/picture.dict" ;;
    jpegproof | pngproof | pdfpicture) echo "-max_len=8192 -dict=$root/fuzz/picture.dict" ;;
    iccprofile) echo "-max_len=8192" ;;
    *) echo "" ;;
    esac
}

failed=()
name=
for program in "$dir"/fuzz/fuzz_*; do
    [ -f "$program" ] && [ -x "$program" ] || continue
    name=$(basename "$program")
    target=${name#fuzz_}
    work=$dir/fuzz-run/$target
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    inputs=("$root/fuzz/seeds/$target")
    [ -d "$root/fuzz/regressions/$target" ] && inputs+=("$root/fuzz/regressions/$target")

    status=0
    started=$(date +%s)
    # shellcheck disable=SC2046 # the options are words
    "$program" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=10 \
        $(target_options "$target") -close_fd_mask=2 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" "${inputs[@]}" >"$work/log" 2>&1 || status=$?
    elapsed=$(($(date +%s) - started))

    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$work/log" | tail -n 1 || true)
    corpus=$(echo "$done_line" | sed -n 's/.*corp: \([0-9]*\)\/\([0-9A-Za-z]*\).*/\1 inputs of \2/p')
    findings=$(find "$work/artifacts" -type f | wc -l)
    echo "Fuzzing $name: ${runs:-0} executions in $elapsed s, corpus ${corpus:-unknown}, $findings findings"
    if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ] || [ -z "$runs" ]; then
        failed+=("$name")
        echo "$name failed (exit status $status). The end of its log ($work/log):" >&2
        grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|RELOAD)' "$work/log" | tail -n 60 >&2
        find "$work/artifacts" -type f >&2
    fi
done

if [ -z "${name:-}" ]; then
    echo "No fuzz target was built in $dir/fuzz." >&2
    exit 1
fi
if [ "${#failed[@]}" -ne 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]}" >&2
    exit 1
fi
