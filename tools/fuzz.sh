#!/usr/bin/env bash
# Builds the fuzz target with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz and runs it for a bounded time, seeded from fuzz/corpus. Fails on any finding: a
# crash, a sanitizer report, a leak, a timeout or passing the memory limit. The inputs it finds are
# kept in build-fuzz/fuzz-run/corpus (never in the source tree); a failing input is saved in
# build-fuzz/fuzz-run/artifacts: copied into fuzz/regressions/ under a name that says what it
# caught, it becomes a case of tst_fuzzreplay, which replays that folder and the seeds.
# Usage: tools/fuzz.sh [seconds] [extra cmake arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
dir=$root/build-fuzz
work=$dir/fuzz-run

cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
    -DLSTPRINT_FUZZ=ON "$@" >/dev/null
cmake --build "$dir" --parallel

rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
# The program folders of the target are rewritten for every input: keep them in memory when we can.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
# A smaller quarantine and shorter allocation stacks than the defaults keep the rate of executions
# up; leaks are still looked for after every input that allocated more than it freed.
export ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=16:malloc_context_size=12
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0

status=0
"$dir/fuzz/fuzz_printrun" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=10 \
    -max_len=4096 -dict="$root/fuzz/lst.dict" -close_fd_mask=2 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" "$root/fuzz/corpus" "$root/fuzz/regressions" \
    >"$work/log" 2>&1 || status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$work/log" | tail -n 1 || true)
corpus=$(echo "$done_line" | sed -n 's/.*corp: \([0-9]*\/[0-9A-Za-z]*\).*/\1/p')
rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$work/log")
artifacts=$(find "$work/artifacts" -type f | wc -l)
echo "Fuzzing: ${runs:-0} executions in $seconds s, corpus ${corpus:-?} (inputs/bytes), peak RSS ${rss:-?} MB," \
    "$(ls "$root/fuzz/corpus" | wc -l) seeds, $artifacts findings"
if [ "$status" -ne 0 ] || [ "$artifacts" -ne 0 ] || [ -z "$runs" ]; then
    echo "The fuzz run failed (exit status $status). The end of its log ($work/log):" >&2
    grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|RELOAD)' "$work/log" | tail -n 60 >&2
    find "$work/artifacts" -type f >&2
    exit 1
fi
