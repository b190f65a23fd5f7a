#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Configures and builds the project.
# Usage: tools/build.sh [build-dir] [--target=NAME ...] [extra cmake arguments...]
#   --target=NAME  builds only that target (and what it needs), after configuring everything
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
shift || true
configure=()
targets=()
for argument in "$@"; do
    case $argument in
    --target=*) targets+=(--target "${argument#--target=}") ;;
    *) configure+=("$argument") ;;
    esac
done
# The configure step is quiet: what cmake says is shown, in its order, only when it fails or warns.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON "${configure[@]}" >"$log" 2>&1; then
    cat "$log" >&2
    echo "Configuring $dir failed." >&2
    exit 1
fi
if grep -q '^CMake .*Warning' "$log"; then
    cat "$log" >&2
fi
cmake --build "$dir" --parallel "${targets[@]}"
