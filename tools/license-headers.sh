#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Puts the licence notice at the top of every source file that lacks one: two comment lines, the
# SPDX identifier and the copyright, below the shebang line of a script. With --check it changes
# nothing and lists the files without the notice (exit status 1 when there is one).
#
# Usage: tools/license-headers.sh [--check]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
check=false
[ "${1:-}" = --check ] && check=true
identifier='SPDX-License-Identifier: GPL-3.0-or-later'
copyright='Copyright (C) 2026 LST File print utility developers'

missing=0
while IFS= read -r file; do
    case $file in
    *.cpp | *.h | *.h.in) style=cxx ;;
    *) style=hash ;;
    esac
    path=$root/$file
    grep -q "$identifier" "$path" && continue
    missing=$((missing + 1))
    if $check; then
        echo "$file"
        continue
    fi
    if [ "$style" = cxx ]; then
        notice="// $identifier"$'\n'"// $copyright"$'\n'
    else
        notice="# $identifier"$'\n'"# $copyright"
    fi
    {
        if head -n 1 "$path" | grep -q '^#!'; then
            head -n 1 "$path"
            printf '%s\n' "$notice"
            tail -n +2 "$path"
        else
            printf '%s\n' "$notice"
            [ "$style" = hash ] && echo
            cat "$path"
        fi
    } >"$path.notice"
    chmod --reference="$path" "$path.notice"
    mv "$path.notice" "$path"
done < <(cd "$root" && git ls-files -- '*.cpp' '*.h' '*.h.in' '*.sh' '*.cmake' 'CMakeLists.txt' '*/CMakeLists.txt' \
    .ci/run cmake/strip-for-package.in)

if $check && [ "$missing" -gt 0 ]; then
    echo "$missing file(s) without the licence notice" >&2
    exit 1
fi
