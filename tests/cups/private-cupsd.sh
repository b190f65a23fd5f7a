#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# A private CUPS daemon for tests: listens on a Unix socket in DIR and on a free TCP port of the
# loopback address (written to DIR/port), with queues that write each job as a PDF file into
# DIR/out (through cups-pdf):
#   lstprinttest     the default queue, on the daemon's own default paper, without margins
#   lstprint-a4      A4, without margins
#   lstprint-letter  US Letter, with margins of its own (imageable area): left 18 pt, top 36 pt,
#                    right 36 pt, bottom 27 pt, the way a real printer has them
#   lstprint-duplex  A4, without margins, and two-sided: its PPD has a Duplex option, so that the
#                    queue offers sides=two-sided-long-edge and two-sided-short-edge
# Finished jobs keep their attributes (PreserveJobHistory), so a test can read back what a job
# asked for (ipptool Get-Job-Attributes on ipp://127.0.0.1:PORT/jobs/ID), and their documents
# (PreserveJobFiles), so that it can read back what was sent: the daemon's spool/dNNNNN-001.
# The paper of both is the PPD's PageSize, set with lpadmin -o PageSize=...: their destinations
# then carry no "media" option, and libcups's cupsGetDestMediaDefault() answers US Letter for both.
# The daemon runs in the C locale, so its own default paper comes from libpaper (/etc/papersize),
# not from the caller's locale; whichever it is, one of the two paper queues disagrees with it.
#
#   private-cupsd.sh start DIR    start it (CUPS_SERVER=DIR/cups.sock reaches it)
#   private-cupsd.sh stop DIR     stop it by its process id and remove what start added
#
# Faults for tests, and their cures, on the running daemon of DIR:
#   reject / accept     the queue refuses new jobs (cupsreject) / takes them again (cupsaccept)
#   disable / enable    the queue is stopped: jobs are taken and held (cupsdisable) / it prints again
#   kill / restart      the daemon is killed (SIGKILL, by its process id) / started again on the
#                       same configuration and queue
#   heal                whatever the state: running, accepting and enabled
#   limit BYTES         the daemon restarted with MaxRequestSize BYTES, so that it refuses larger
#                       documents; 0 restarts it without a limit
#
# Needs root (cupsd and the cups-pdf backend run as root). Without root, or without the packages,
# start writes DIR/unavailable with the reason and exits 0, so the tests that need it can skip;
# under CI (CI=true) it exits 1 instead, and those tests fail with the reason.
set -euo pipefail
action=${1:?start or stop}
dir=${2:?folder}
queue=lstprinttest
# cups-pdf reads /etc/cups/cups-pdf-NAME.conf for the device cups-pdf:/NAME. The name is made from
# DIR, so that daemons of two build trees running at once each write into their own folder.
device=lstprint-$(printf '%s' "$dir" | md5sum | cut -c1-12)
pdfconf=/etc/cups/cups-pdf-$device.conf

unavailable() {
    echo "$1" > "$dir/unavailable"
    echo "private cupsd not started: $1" >&2
    # Under CI every test runs: one that cannot have its print system fails here, and says why.
    [ "${CI:-}" = true ] && exit 1
    exit 0
}

# The folder of the daemon's own files (configuration, spool, cache), outside DIR: the print
# filters run as the lp user and read the queue's PPD and the spooled jobs, which they cannot do
# under a build tree whose parent folders only root may enter (mktemp -d makes them so).
remove_daemon_root() {
    local root
    root=$(cat "$dir/daemon-root" 2>/dev/null) || return 0
    case "$root" in /tmp/lstprint-cupsd.*) rm -rf "$root" ;; esac
    rm -f "$dir/daemon-root"
}

start() {
    [ -d "$dir" ] && remove_daemon_root
    rm -rf "$dir"
    mkdir -p "$dir"/{log,out}
    chmod 755 "$dir" "$dir/out"
    [ "$(id -u)" -eq 0 ] || unavailable "not running as root"
    local root
    root=$(mktemp -d /tmp/lstprint-cupsd.XXXXXX)
    echo "$root" > "$dir/daemon-root"
    mkdir -p "$root"/{etc/ppd,spool,tmp,cache,state}
    chmod 755 "$root" "$root/etc"
    chmod 1777 "$root/tmp"
    command -v cupsd >/dev/null || unavailable "cupsd is not installed"
    [ -x /usr/lib/cups/backend/cups-pdf ] || unavailable "printer-driver-cups-pdf is not installed"
    local ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
    [ -f "$ppd" ] || ppd=$(ls /usr/share/ppd/cups-pdf/*.ppd 2>/dev/null | head -n 1)
    [ -n "$ppd" ] || unavailable "no cups-pdf PPD found"

    cat > "$dir/cups-files.conf" <<CONF
ServerRoot $root/etc
RequestRoot $root/spool
TempDir $root/tmp
CacheDir $root/cache
StateDir $root/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
CONF
    local port
    port=$(free_port) || unavailable "no free TCP port on 127.0.0.1"
    echo "$port" > "$dir/port"
    cat > "$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
Listen 127.0.0.1:$port
ServerAlias *
PreserveJobHistory Yes
PreserveJobFiles Yes
Browsing No
WebInterface No
DefaultAuthType None
LogLevel warn
MaxLogSize 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
DefaultPolicy default
CONF
    cupsd -t -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" >/dev/null 2>"$dir/log/config-check" \
        || unavailable "cupsd rejects the configuration: $(cat "$dir/log/config-check")"

    cat > "$pdfconf" <<CONF
Out $dir/out
AnonDirName $dir/out
UserUMask 0022
Label 0
CONF

    echo "$ppd" > "$dir/ppd"
    # The same printer with margins: its imageable area for A4 and Letter (PostScript points, from
    # the lower left corner) leaves 18 pt on the left, 36 on the right and top and 27 at the bottom.
    sed -E -e 's#^\*ImageableArea A4/([^:]*): .*#*ImageableArea A4/\1: "18 27 559 806"#' \
        -e 's#^\*ImageableArea Letter/([^:]*): .*#*ImageableArea Letter/\1: "18 27 576 756"#' \
        "$ppd" > "$dir/margins.ppd"
    # The same printer, two-sided: a Duplex option as a duplexing printer's PPD has it.
    awk '/^\*OpenUI \*PageSize/ && !done {
            print "*OpenUI *Duplex/Two-Sided: PickOne"
            print "*OrderDependency: 10 AnySetup *Duplex"
            print "*DefaultDuplex: None"
            print "*Duplex None/Off: \"<</Duplex false>>setpagedevice\""
            print "*Duplex DuplexNoTumble/Long Edge: \"<</Duplex true/Tumble false>>setpagedevice\""
            print "*Duplex DuplexTumble/Short Edge: \"<</Duplex true/Tumble true>>setpagedevice\""
            print "*CloseUI: *Duplex"
            done = 1
        }
        { print }' "$ppd" > "$dir/duplex.ppd"
    launch || { stop; unavailable "cupsd did not open its socket and its port $port"; }
    add_queue || { stop; unavailable "lpadmin failed: $(cat "$dir/log/lpadmin")"; }
    echo "$queue" > "$dir/queue"
}

# A TCP port of 127.0.0.1 that nothing listens on, from a random start so that daemons of two build
# trees started at once are unlikely to pick the same one.
free_port() {
    local port=$((20000 + RANDOM % 30000))
    for _ in $(seq 200); do
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return 0
        fi
        port=$((port + 1))
    done
    return 1
}

# Adds the queues, lstprinttest as the default one. cupsd saves its queues some time after a
# change, so a daemon that was killed may come back without them.
add_queue() {
    local uri=cups-pdf:/$device
    export CUPS_SERVER=$dir/cups.sock
    {
        lpadmin -p "$queue" -E -v "$uri" -P "$(cat "$dir/ppd")" &&
            lpadmin -d "$queue" &&
            lpadmin -p lstprint-a4 -E -v "$uri" -P "$(cat "$dir/ppd")" -o PageSize=A4 &&
            lpadmin -p lstprint-letter -E -v "$uri" -P "$dir/margins.ppd" -o PageSize=Letter &&
            lpadmin -p lstprint-duplex -E -v "$uri" -P "$dir/duplex.ppd" -o PageSize=A4
    } 2>"$dir/log/lpadmin"
}

# Starts cupsd on the configuration in DIR, detached from our output so that whoever started us
# does not wait for the daemon; fails when it does not open its socket.
launch() {
    rm -f "$dir/cups.sock"
    env -u LANG -u LANGUAGE -u PAPERSIZE LC_ALL=C \
        cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" </dev/null >>"$dir/log/cupsd.out" 2>&1 &
    echo $! > "$dir/cupsd.pid"
    for _ in $(seq 100); do
        if [ -S "$dir/cups.sock" ] && (exec 3<>"/dev/tcp/127.0.0.1/$(cat "$dir/port")") 2>/dev/null; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

running() {
    [ -f "$dir/cupsd.pid" ] && kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null
}

queues_present() {
    CUPS_SERVER=$dir/cups.sock lpstat -p "$queue,lstprint-a4,lstprint-letter,lstprint-duplex" >/dev/null 2>&1
}

queue_command() {
    CUPS_SERVER=$dir/cups.sock "$@" "$queue"
}

stop() {
    if [ -f "$dir/cupsd.pid" ]; then
        local pid
        pid=$(cat "$dir/cupsd.pid")
        if kill "$pid" 2>/dev/null; then
            for _ in $(seq 50); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$dir/cupsd.pid"
    fi
    if [ -f "$pdfconf" ] && grep -q "^Out $dir/out\$" "$pdfconf"; then
        rm -f "$pdfconf"
    fi
    remove_daemon_root
}

case "$action" in
start) start ;;
stop) stop ;;
reject) queue_command cupsreject ;;
accept) queue_command cupsaccept ;;
disable) queue_command cupsdisable ;;
enable) queue_command cupsenable ;;
kill)
    running || { echo "cupsd of $dir is not running" >&2; exit 1; }
    pid=$(cat "$dir/cupsd.pid")
    kill -9 "$pid"
    while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
    ;;
restart)
    running && { echo "cupsd of $dir is already running" >&2; exit 1; }
    launch
    queues_present || add_queue
    ;;
limit)
    bytes=${3:?bytes, 0 for no limit}
    sed -i '/^MaxRequestSize /d' "$dir/cupsd.conf"
    [ "$bytes" -gt 0 ] && echo "MaxRequestSize $bytes" >> "$dir/cupsd.conf"
    if running; then
        pid=$(cat "$dir/cupsd.pid")
        kill "$pid"
        while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
    fi
    launch
    queues_present || add_queue
    ;;
heal)
    running || launch
    queues_present || add_queue
    queue_command cupsaccept
    queue_command cupsenable
    ;;
*) echo "usage: $0 start|stop|reject|accept|disable|enable|kill|restart|heal DIR | limit DIR BYTES" >&2; exit 2 ;;
esac
