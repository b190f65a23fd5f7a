#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Starts the built program the way a user does and prints the demo list file with it.
#
# Usage: run-lstprint.sh <lstprint executable> <demo folder> [--list-file-argument]
#
# With --list-file-argument the program stays where it was built and is started on the list file,
# as a file manager starts it: "lstprint FOLDER/parts.lst". The folder also holds a list file that
# sorts first, with one record, which the program must leave alone.
#
# The program is copied next to the demo files in a temporary folder and started on a virtual
# display of its own, as a user without a printer has it: no print system is set up (no
# CUPS_SERVER, no client.conf) and none runs, so the document must be saved as parts.pdf beside
# the list file. Where this machine runs a print system of its own, the program is pointed at a
# print server that does not exist instead, which also saves the document. The keys are the
# user's: Alt+P prints, Return answers the closing message and Esc quits. The program must end with
# status 0 and leave one PDF page per record.
set -euo pipefail

program=$1
demo=$2
argument_mode=${3:-}

for tool in Xvfb xdotool pdfinfo; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAIL: $tool is not installed" >&2
        exit 1
    fi
done

work=$(mktemp -d)
folder="$work/program"
xvfb_pid=
app_pid=

cleanup() {
    if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "FAIL: $*" >&2
    if [ -s "$work/stderr.txt" ]; then
        echo "--- program's standard error:" >&2
        cat "$work/stderr.txt" >&2
    fi
    exit 1
}

# Polls a condition (a shell command) every 0.1 s for at most $1 seconds.
wait_for() {
    local seconds=$1
    shift
    local tries=$((seconds * 10))
    while ! "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

mkdir -p "$folder" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cp "$demo"/* "$folder"/
list_file=$(cd "$folder" && ls -- *.lst)
if [ "$argument_mode" = --list-file-argument ]; then
    printf 'id,name\r\n"1","decoy"\r\n' >"$folder/a-first.lst"
    start=("$program" "$folder/$list_file")
else
    cp "$program" "$folder/lstprint"
    start=("$folder/lstprint")
fi
records=$(($(grep -c '[^[:space:]]' "$folder/$list_file") - 1))
pdf="$folder/${list_file%.*}.pdf"
[ ! -e "$pdf" ] || fail "the demo folder already holds $(basename "$pdf")"

# A virtual display: Xvfb chooses a free display number and writes it once it accepts clients.
# -noreset: without it Xvfb resets whenever its last client leaves, and a client that connects
# during the reset is refused ("could not connect to display").
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.txt" &
xvfb_pid=$!
wait_for 20 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.txt")"
export DISPLAY=":$(head -n1 "$work/display")"

export QT_QPA_PLATFORM=xcb
export HOME="$work/home"
export XDG_RUNTIME_DIR="$work/runtime"
# No client.conf: libcups reads its own from CUPS_SERVERROOT.
mkdir -p "$work/cups"
export CUPS_SERVERROOT="$work/cups"
unset CUPS_SERVER PRINTER LPDEST QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
printing="no print system"
if lpstat -r 2>/dev/null | grep -q 'scheduler is running'; then
    export CUPS_SERVER="$work/no-print-system.sock"
    printing="this machine's print system replaced by a server that does not exist"
fi

"${start[@]}" 2>"$work/stderr.txt" &
app_pid=$!

visible_windows() {
    xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null || true
}
main_window_shown() {
    main=$(visible_windows | head -n1)
    [ -n "$main" ] || ! kill -0 "$app_pid" 2>/dev/null
}
wait_for 30 main_window_shown && [ -n "$main" ] || fail "the window did not appear"
[ "$(xdotool getwindowname "$main")" = "LST File print utility" ] || fail "caption: $(xdotool getwindowname "$main")"
geometry=$(xdotool getwindowgeometry "$main" | sed -n 's/^ *Geometry: //p')
[ "$geometry" = "263x117" ] || fail "window size $geometry"

xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+p

# The run ends with the message telling where the document went: another window of the program.
message_shown() {
    box=$(visible_windows | grep -vx "$main" | head -n1)
    [ -n "$box" ] && [ -s "$pdf" ]
}
wait_for 60 message_shown || fail "no message after printing (document: $(ls "$folder"))"
[ "$(xdotool getwindowname "$box")" = "LST File print utility" ] || fail "message title: $(xdotool getwindowname "$box")"
xdotool windowfocus --sync "$box"
xdotool key Return
message_answered() {
    ! visible_windows | grep -qx "$box"
}
wait_for 20 message_answered || fail "the message was not answered by Return"

xdotool windowfocus --sync "$main"
xdotool key Escape
program_ended() {
    ! kill -0 "$app_pid" 2>/dev/null
}
wait_for 20 program_ended || fail "Esc did not end the program"
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 0 ] || fail "exit status $status"

pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
[ "$pages" = "$records" ] || fail "$(basename "$pdf") has ${pages:-no} pages for $records records"
if grep -q '^Error [0-9]' "$work/stderr.txt"; then
    fail "the run reported errors"
fi
echo "PASS: $records records printed to $(basename "$pdf") ($pages pages), exit status $status ($printing)"
