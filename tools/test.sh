#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test, in four stages:
#   1. the plain build (build/), every test, and the Debian package made from that build and
#      checked (tools/package.sh);
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

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

section "1/4 Build and test"
"$root/tools/build.sh" "$root/build" -DLSTPRINT_WERROR=$werror
ctest --test-dir "$root/build" --output-on-failure --timeout 600
"$root/tools/package.sh" "$root/build"

section "2/4 Build and test with AddressSanitizer + UndefinedBehaviorSanitizer"
"$root/tools/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DLSTPRINT_SANITIZE=ON -DLSTPRINT_WERROR=$werror
ASAN_OPTIONS=detect_leaks=1 \
    LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$root/build-asan" --output-on-failure --timeout 900

section "3/4 Fuzzing"
"$root/tools/fuzz.sh" "${LSTPRINT_FUZZ_SECONDS:-60}" -DLSTPRINT_WERROR=$werror

section "4/4 A fresh Debian 12 machine"
bash "$root/tools/fresh-check.sh"

section "All four stages passed"
echo "Total time: $(($(date +%s) - started)) s"
