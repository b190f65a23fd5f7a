#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test. In CI (CI=true) compiler
# warnings are errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

echo "== Build and test =="
"$root/tools/build.sh" "$root/build" -DLSTPRINT_WERROR=$werror
ctest --test-dir "$root/build" --output-on-failure --timeout 600
