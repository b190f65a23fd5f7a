#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Installs what is needed, builds everything and runs every test, in four stages:
#   1. the plain build (build/), every test, and the Debian package made from that build and
#      checked (tools/package.sh); the targets that make generated files also built with CMake's
#      default generator (build-make/), as a packager builds;
#   2. the same tests built with AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/), leak
#      checking on;
#   3. a bounded run of every fuzz target, one after the other (build-fuzz/);
#   4. the fresh-machine check (tools/fresh-check.sh): the README's commands on a new Debian 12
#      tree made with debootstrap, and the Debian package installed on another one.
# In CI (CI=true) compiler warnings are errors. LSTPRINT_FUZZ_SECONDS sets each target's fuzzing
# time (60).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
started=$(date +%s)
section() {
    echo
    echo "== $1 ($(($(date +%s) - started)) s so far) =="
}

"$root/tools/deps.sh"

# The tests and rows that a ctest run skipped: Qt Test's "Totals: ... N skipped" lines and the
# tests ctest itself did not run.
skipped_in() { # build folder
    local log=$1/Testing/Temporary/LastTest.log rows tests
    rows=$(sed -n 's/^Totals: .* \([0-9][0-9]*\) skipped.*/\1/p' "$log" | awk '{ n += $1 } END { print n + 0 }')
    tests=$(grep -c '^Test Skipped\|Not Run' "$log" || true)
    echo $((rows + tests))
}
skips=()

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

section "1/4 Build and test"
# Every source, script and CMake file carries the licence notice.
bash "$root/tools/license-headers.sh" --check
"$root/tools/build.sh" "$root/build" -DLSTPRINT_WERROR=$werror
# A packager builds with CMake's default generator (Makefiles), which, unlike Ninja, makes no folder
# for a rule's output: the targets that make generated files are built that way too.
cmake -S "$root" -B "$root/build-make" -DBUILD_TESTING=OFF -DLSTPRINT_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build-make" --parallel 2 --target release_translations compressed icons base lstprintcli
ctest --test-dir "$root/build" --output-on-failure --timeout 600
skips+=("$(skipped_in "$root/build") in the plain build")
"$root/tools/package.sh" "$root/build"

section "2/4 Build and test with AddressSanitizer + UndefinedBehaviorSanitizer"
"$root/tools/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DLSTPRINT_SANITIZE=ON -DLSTPRINT_WERROR=$werror
ASAN_OPTIONS=detect_leaks=1 \
    LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$root/build-asan" --output-on-failure --timeout 900
skips+=("$(skipped_in "$root/build-asan") in the sanitizer build")

section "3/4 Fuzzing"
"$root/tools/fuzz.sh" "${LSTPRINT_FUZZ_SECONDS:-60}" -DLSTPRINT_WERROR=$werror

section "4/4 A fresh Debian 12 machine"
bash "$root/tools/fresh-check.sh"

section "All four stages passed"
echo "Skipped tests and rows: ${skips[0]}, ${skips[1]}."
echo "Total time: $(($(date +%s) - started)) s"
# Under CI a skip means something was not tested (each test fails instead, where it knows).
if [ "${CI:-}" = true ] && [ "${skips[0]%% *}" != 0 -o "${skips[1]%% *}" != 0 ]; then
    echo "FAIL: under CI no test may be skipped" >&2
    exit 1
fi
