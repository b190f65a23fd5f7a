#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Checks the bash completion of lstprint as bash-completion runs it: each case is a command line
# being completed (the word under the cursor last) and the words offered, sorted. The print queues
# come from a stand-in lpstat on the PATH, the files from a scratch folder.
#
# Usage: check-completion.sh <completion file> [bash_completion script]
set -uo pipefail
completion=$1
helpers=${2:-/usr/share/bash-completion/bash_completion}
[ -r "$helpers" ] || { echo "FAIL: no bash-completion helpers at $helpers" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/data/parts"
printf '#!/bin/sh\n[ "$1" = -e ] && printf "office\\nlaser\\n"\n' >"$work/bin/lpstat"
chmod +x "$work/bin/lpstat"
touch "$work/data/parts.lst" "$work/data/OLD.LST" "$work/data/notes.txt" "$work/data/parts.pdf"
PATH=$work/bin:$PATH

# shellcheck disable=SC1090
source "$helpers"
# shellcheck disable=SC1090
source "$completion"
cd "$work/data" || exit 1

# command line (words separated by spaces; a trailing space starts an empty word) | offered
cases=(
    'lstprint --p|--pdf --preview --print --printer'
    'lstprint --pre|--preview'
    'lstprint --preview -l |OLD.LST parts parts.lst'
    'lstprint --q|--quiet'
    'lstprint --print --printer |laser office'
    'lstprint --print --printer o|office'
    'lstprint --print --printer=l|laser'
    'lstprint |OLD.LST parts parts.lst'
    'lstprint --pdf out.pdf p|parts parts.lst'
    'lstprint --pdf |OLD.LST notes.txt parts parts.lst parts.pdf'
    'lstprint --pdf=n|notes.txt'
    'lstprint -r |'
    'lstprint --print -n |'
    'lstprint --print -o sides=two|sides=two-sided-long-edge sides=two-sided-short-edge'
    'lstprint --c|--copies'
)
failures=0
for case in "${cases[@]}"; do
    line=${case%%|*}
    expected=${case#*|}
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    _lstprint lstprint "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    offered=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | xargs)
    if [ "$offered" != "$expected" ]; then
        echo "FAIL: '$line' offers '$offered', not '$expected'" >&2
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] || exit 1
echo "PASS: ${#cases[@]} command lines completed"
