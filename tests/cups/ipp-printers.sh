#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Driverless test printers for tests: ippeveprinter (cups-ipp-utils), each an IPP Everywhere printer
# on a free TCP port of localhost that keeps every document it receives in DIR/spool/NAME, under a
# private D-Bus system bus (ippeveprinter stops at once without one, even with -r off; no avahi is
# needed). Each printer's address is ipp://localhost:PORT/ipp/print, its port in DIR/NAME.port:
#   pdf      takes PDF, PWG raster and JPEG; monochrome, face-down bin
#   pwg      takes PWG raster and JPEG (no PDF, as most printers without a driver); colour, and its
#            bin is face-up
#   urf      takes Apple raster and JPEG only (AirPrint); monochrome, two-sided (back side normal)
#   ps       takes PostScript and PWG raster; makes no copies (copies-supported 1-1)
#   mono     takes PWG raster and JPEG; monochrome, face-down bin
#   flipped  takes PWG and Apple raster; monochrome, two-sided with its back side flipped, a face-up
#            bin and page-delivery=reverse-order (its attributes: flipped-duplex.conf)
#   busy     takes PWG raster and JPEG; each job keeps it busy for BUSY_SECONDS (4) seconds, and a
#            job sent meanwhile is answered server-error-busy
# All but busy finish a job at once (their print command is /bin/true). Started only when named:
#   sink     takes PWG raster and JPEG; colour; keeps nothing (for the benchmark, whose jobs are
#            hundreds of megabytes)
#
#   ipp-printers.sh start DIR [NAME...]   start the bus and the printers (by default all but sink)
#   ipp-printers.sh stop DIR              stop them by their process ids
#
# Without ippeveprinter or dbus-daemon, start writes DIR/unavailable with the reason and exits 0,
# so that the tests that need them can skip; under CI (CI=true) it exits 1 instead.
set -euo pipefail
action=${1:?start or stop}
dir=${2:?folder}
here=$(cd "$(dirname "$0")" && pwd)
busy_seconds=${BUSY_SECONDS:-4}

unavailable() {
    echo "$1" > "$dir/unavailable"
    echo "test printers not started: $1" >&2
    [ "${CI:-}" = true ] && exit 1
    exit 0
}

# A TCP port of 127.0.0.1 that nothing listens on, from a random start.
free_port() {
    local port=$((20000 + RANDOM % 30000))
    for _ in $(seq 200); do
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && ! grep -qx "$port" "$dir"/*.port 2>/dev/null; then
            echo "$port"
            return 0
        fi
        port=$((port + 1))
    done
    return 1
}

wait_for_port() { # port pid
    for _ in $(seq 100); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        kill -0 "$2" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

start_printer() { # name arguments...
    local name=$1
    shift
    local port pid keep=(-k)
    [ "$name" = sink ] && keep=()
    port=$(free_port) || unavailable "no free TCP port on 127.0.0.1"
    echo "$port" > "$dir/$name.port"
    mkdir -p "$dir/spool/$name"
    DBUS_SYSTEM_BUS_ADDRESS=unix:path=$dir/dbus.sock \
        ippeveprinter -n localhost -p "$port" -r off "${keep[@]}" -d "$dir/spool/$name" "$@" "$name" \
        </dev/null >"$dir/$name.log" 2>&1 &
    pid=$!
    echo "$pid" > "$dir/$name.pid"
    wait_for_port "$port" "$pid" || unavailable "ippeveprinter $name did not listen on port $port: $(tail -n 3 "$dir/$name.log")"
}

start() { # names...
    rm -rf "$dir"
    mkdir -p "$dir/spool"
    command -v ippeveprinter >/dev/null || unavailable "ippeveprinter is not installed (cups-ipp-utils)"
    command -v dbus-daemon >/dev/null || unavailable "dbus-daemon is not installed"
    cat > "$dir/dbus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>custom</type>
  <listen>unix:path=$dir/dbus.sock</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
    <allow user="*"/>
  </policy>
</busconfig>
CONF
    dbus-daemon --config-file="$dir/dbus.conf" --nofork </dev/null >"$dir/dbus.log" 2>&1 &
    echo $! > "$dir/dbus.pid"
    for _ in $(seq 50); do
        [ -S "$dir/dbus.sock" ] && break
        sleep 0.1
    done
    [ -S "$dir/dbus.sock" ] || unavailable "dbus-daemon did not open its socket: $(cat "$dir/dbus.log")"

    printf '#!/bin/sh\nsleep %s\n' "$busy_seconds" > "$dir/slow-print"
    chmod 755 "$dir/slow-print"
    local quick=(-c /bin/true) name
    [ $# -gt 0 ] || set -- pdf pwg urf ps mono flipped busy
    for name in "$@"; do
        case $name in
        pdf) start_printer pdf "${quick[@]}" -f application/pdf,image/pwg-raster,image/jpeg ;;
        pwg) start_printer pwg "${quick[@]}" -s 10,5 -f image/pwg-raster,image/jpeg ;;
        urf) start_printer urf "${quick[@]}" -2 -f image/urf,image/jpeg ;;
        ps) start_printer ps "${quick[@]}" -f application/postscript,image/pwg-raster ;;
        mono) start_printer mono "${quick[@]}" -f image/pwg-raster,image/jpeg ;;
        flipped) start_printer flipped "${quick[@]}" -a "$here/flipped-duplex.conf" ;;
        busy) start_printer busy -c "$dir/slow-print" -f image/pwg-raster,image/jpeg ;;
        sink) start_printer sink "${quick[@]}" -s 10,5 -f image/pwg-raster,image/jpeg ;;
        *) echo "no test printer $name" >&2; exit 2 ;;
        esac
    done
}

# Stops the processes whose ids the files hold: all asked at once (a printer takes a second or two
# to notice), then killed outright after five seconds.
stop_pids() { # files...
    local pids=() file
    for file in "$@"; do
        [ -f "$file" ] || continue
        pids+=("$(cat "$file")")
        rm -f "$file"
    done
    [ ${#pids[@]} -gt 0 ] || return 0
    kill "${pids[@]}" 2>/dev/null || true
    local pid alive
    for _ in $(seq 50); do
        alive=()
        for pid in "${pids[@]}"; do
            kill -0 "$pid" 2>/dev/null && alive+=("$pid")
        done
        [ ${#alive[@]} -gt 0 ] || return 0
        sleep 0.1
    done
    kill -9 "${alive[@]}" 2>/dev/null || true
}

stop() {
    [ -d "$dir" ] || return 0
    local printers=()
    for pidfile in "$dir"/*.pid; do
        [ "$pidfile" = "$dir/dbus.pid" ] || printers+=("$pidfile")
    done
    stop_pids "${printers[@]}"
    stop_pids "$dir/dbus.pid"
}

case "$action" in
start) shift 2; start "$@" ;;
stop) stop ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
