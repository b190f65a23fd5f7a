#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Runs one window test on a real Wayland compositor: weston's headless backend, on a socket and a
# runtime folder of its own, started here and stopped by its process id.
#
# Usage: run-on-weston.sh <test executable> <test function>
set -euo pipefail

test_program=$1
test_function=$2

if ! command -v weston >/dev/null; then
    echo "FAIL: weston is not installed" >&2
    exit 1
fi
if [ ! -e /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so ] &&
    ! ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1; then
    echo "FAIL: Qt's Wayland platform (qt6-wayland) is not installed" >&2
    exit 1
fi

runtime=$(mktemp -d)
chmod 700 "$runtime"
socket=lstprint-test-$$
weston_pid=
cleanup() {
    if [ -n "$weston_pid" ] && kill -0 "$weston_pid" 2>/dev/null; then
        kill "$weston_pid" 2>/dev/null || true
        wait "$weston_pid" 2>/dev/null || true
    fi
    rm -rf -- "$runtime"
}
trap cleanup EXIT

XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket="$socket" --width=1024 \
    --height=768 --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
    [ -S "$runtime/$socket" ] && break
    if ! kill -0 "$weston_pid" 2>/dev/null; then
        cat "$runtime/weston.log" >&2
        echo "FAIL: weston did not start" >&2
        exit 1
    fi
    sleep 0.1
done
if [ ! -S "$runtime/$socket" ]; then
    echo "FAIL: weston made no socket within 10 s" >&2
    exit 1
fi

# Under the sanitizers, leak checking is off for this one process: Qt's Wayland plugins are
# unloaded before LeakSanitizer reports, so what they keep (libwayland-client's proxies, buffers
# allocated from a module already gone) cannot be told apart or suppressed by name. The same test
# function runs with leak checking in the offscreen run of the window tests.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"
fi
status=0
env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland \
    LSTPRINT_TEST_PLATFORM=wayland "$test_program" "$test_function" || status=$?
if [ "$status" != 0 ]; then
    echo "--- weston's log:" >&2
    cat "$runtime/weston.log" >&2
fi
exit "$status"
