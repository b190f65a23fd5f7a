#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Checks that a fresh Debian 12 machine can run the README's commands. It makes a minimal Debian 12
# tree (debootstrap, minbase variant) from the archive this machine's apt installs from, clones
# this checkout into it and runs there, as root, in a clean environment and without a display:
#   1. the README's first command (tools/demo.sh), which must print the demo folder to
#      build/demo.pdf, one page per record of the demo's list file;
#   2. the commands of the README's Install section, which must make the Debian package and
#      install it;
# then installs that package in a second fresh tree, where nothing else was installed, and checks
# that it works there: `lstprint --version`, a PDF of the demo folder (its page count, and the
# grid in a font with Courier's metrics) and the manual page. A closing line gives the time of
# each stage, the pages, the font, the package's size and its Depends.
#
# The clone is of the checkout's HEAD commit: uncommitted changes are not part of the check.
# The machine's apt sources and /etc/resolv.conf are copied into the trees as they are.
# The pristine tree is kept as a tarball, LSTPRINT_FRESH_TARBALL
# (/var/cache/lstprint-fresh-check/bookworm-minbase.tar.gz by default), and later runs only unpack
# it; it is made again when it is missing or cannot be read. The trees are made in a new folder
# under LSTPRINT_FRESH_WORKDIR (/var/tmp), on a tmpfs mounted there (about 3 GiB of memory) unless
# LSTPRINT_FRESH_TMPFS=0 (on disk, dpkg's synchronous writes and removing the trees take minutes),
# and are removed, after everything mounted in them is unmounted, however the script ends.
# LSTPRINT_FRESH_CPUS, a CPU list as taskset takes it ("0" or "0,1"), keeps the commands run in the
# trees on those CPUs; the build's job count follows from it.
#
# Usage: tools/fresh-check.sh   (as root; needs debootstrap, which tools/deps.sh installs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
started=$(date +%s)
suite=bookworm
tarball=${LSTPRINT_FRESH_TARBALL:-/var/cache/lstprint-fresh-check/bookworm-minbase.tar.gz}
workbase=${LSTPRINT_FRESH_WORKDIR:-/var/tmp}
tree_path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin

refuse() {
    echo "tools/fresh-check.sh: $*" >&2
    exit 1
}

[ "$(id -u)" -eq 0 ] || refuse "must run as root: it runs debootstrap, mount and chroot."
command -v debootstrap >/dev/null || refuse "debootstrap is not installed (tools/deps.sh installs it)."
for tool in git tar gzip chroot mount umount; do
    command -v "$tool" >/dev/null || refuse "$tool is not installed."
done
pin=()
if [ -n "${LSTPRINT_FRESH_CPUS:-}" ]; then
    command -v taskset >/dev/null || refuse "LSTPRINT_FRESH_CPUS is set but taskset is not installed."
    pin=(taskset -c "$LSTPRINT_FRESH_CPUS")
fi
case $tarball in
/*) ;;
*) refuse "LSTPRINT_FRESH_TARBALL must be an absolute path: $tarball" ;;
esac
# The mount points are matched against /proc/mounts, which escapes white space: keep paths plain.
workbase=$(realpath -e "$workbase") || refuse "LSTPRINT_FRESH_WORKDIR is not a folder: $workbase"
[[ $workbase =~ ^[A-Za-z0-9/._-]+$ ]] ||
    refuse "LSTPRINT_FRESH_WORKDIR must be a path without spaces or special characters: $workbase"
for path in "$workbase" "$(realpath -m "$tarball")"; do
    case "$path/" in
    "$root"/*) refuse "$path is inside the checkout; the trees and the tarball are kept outside it." ;;
    esac
done

# ---------------------------------------------------------------------------------------------
# Where the trees come from: the archive this machine's apt uses for the suite.

# The first URI of a deb822 .sources file whose stanza has type deb and the suite.
deb822_uri() {
    awk -v suite="$suite" '
        function has(list, word,   n, w, i) {
            n = split(list, w, /[ \t]+/)
            for (i = 1; i <= n; i++) if (w[i] == word) return 1
            return 0
        }
        function stanza_end() {
            sub(/^[ \t]+/, "", uris)
            if (!done && has(types, "deb") && has(suites, suite) && enabled != "no" && uris != "") {
                split(uris, u, /[ \t]+/)
                print u[1]
                done = 1
            }
            types = suites = uris = enabled = field = ""
        }
        /^#/ { next }
        /^[ \t]*$/ { stanza_end(); next }
        /^[ \t]/ {
            value = $0
            sub(/^[ \t]+/, "", value)
            if (field == "types") types = types " " value
            else if (field == "suites") suites = suites " " value
            else if (field == "uris") uris = uris " " value
            next
        }
        {
            field = tolower(substr($0, 1, index($0, ":") - 1))
            value = substr($0, index($0, ":") + 1)
            gsub(/^[ \t]+|[ \t]+$/, "", value)
            if (field == "types") types = value
            else if (field == "suites") suites = value
            else if (field == "uris") uris = value
            else if (field == "enabled") enabled = tolower(value)
        }
        END { stanza_end() }' "$1"
}

# The URI of the first `deb URI SUITE COMPONENTS…` line of a one-line .list file for the suite.
one_line_uri() {
    awk -v suite="$suite" '
        { sub(/#.*/, "") }
        $1 == "deb" {
            line = $0
            gsub(/\[[^]]*\]/, " ", line)
            n = split(line, w, " ")
            if (n >= 3 && w[3] == suite) { print w[2]; exit }
        }' "$1"
}

# The files apt reads its sources from, in the order it reads them.
apt_source_files() {
    local file
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*; do
        [ -f "$file" ] || continue
        case $file in
        *.list | *.sources) echo "$file" ;;
        esac
    done
}

archive_uri() {
    local file uri
    while read -r file; do
        case $file in
        *.sources) uri=$(deb822_uri "$file") ;;
        *) uri=$(one_line_uri "$file") ;;
        esac
        if [ -n "$uri" ]; then
            echo "$uri"
            return 0
        fi
    done < <(apt_source_files)
    return 1
}

uri=$(archive_uri) ||
    refuse "no apt source of type deb for $suite in /etc/apt/sources.list or /etc/apt/sources.list.d/."
case $uri in
http://* | https://* | ftp://* | file:///*) ;;
*) refuse "debootstrap cannot fetch from the apt source $uri." ;;
esac

# ---------------------------------------------------------------------------------------------
# What the script made, undone by path at exit.

work=""       # the folder holding the trees
work_tmpfs="" # the tmpfs mounted on it
trees=()      # the trees made in it
mounts=()     # the mount points, in the order they were mounted
child=""      # the command being waited for
partial=""    # a tarball being written
stage=""      # the stage running
signal=""     # the signal that ended the check
stage_started=$started
declare -A stage_seconds=()
stages=(tree demo package "installed check")
pages="-" font="-" deb_name="-" deb_size="-" depends="-"

# Mount points at or under a path, deepest first.
mounted_under() {
    awk -v top="$1" '$2 == top || index($2, top "/") == 1 { print $2 }' /proc/mounts | sort -r
}

is_mounted() {
    awk -v point="$1" '$2 == point { found = 1 } END { exit !found }' /proc/mounts
}

# Stops what still runs inside a tree (the command that was interrupted, a daemon a package
# started), so that nothing keeps its mounts busy: the processes whose root is the tree.
stop_tree_processes() {
    local tree=$1 link pid pids=()
    for link in /proc/[0-9]*/root; do
        pid=${link#/proc/}
        pid=${pid%/root}
        [ "$(readlink "$link" 2>/dev/null)" = "$tree" ] && pids+=("$pid")
    done
    [ ${#pids[@]} -gt 0 ] || return 0
    echo "fresh-check: stopping the processes still running in $tree: ${pids[*]}" >&2
    kill -TERM "${pids[@]}" 2>/dev/null
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        any_alive "${pids[@]}" || return 0
        sleep 0.5
    done
    kill -KILL "${pids[@]}" 2>/dev/null
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        any_alive "${pids[@]}" || return 0
        sleep 0.5
    done
}

any_alive() {
    local pid
    for pid; do
        kill -0 "$pid" 2>/dev/null && return 0
    done
    return 1
}

unmount() {
    umount -R "$1" 2>/dev/null && return 0
    echo "fresh-check: $1 is busy; detaching it (umount -l)" >&2
    umount -l "$1"
}

cleanup() {
    local i tree left=0
    if [ -n "$child" ] && kill -0 "$child" 2>/dev/null; then
        kill -TERM "$child" 2>/dev/null
        wait "$child" 2>/dev/null
    fi
    [ -z "$partial" ] || rm -f "$partial"
    for tree in "${trees[@]}"; do
        stop_tree_processes "$tree"
    done
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        is_mounted "${mounts[i]}" && unmount "${mounts[i]}"
    done
    # What others mounted in a tree (debootstrap mounts /proc and /sys while it works).
    for tree in "${trees[@]}"; do
        while read -r point; do
            [ -n "$point" ] && unmount "$point"
        done < <(mounted_under "$tree")
    done
    # A tree is removed only when nothing is mounted in it, and rm never leaves its file system:
    # the machine's own /dev and /sys are bound into the trees while the check runs.
    for tree in "${trees[@]}"; do
        [ -e "$tree" ] || continue
        if [ -n "$(mounted_under "$tree")" ]; then
            echo "fresh-check: ERROR: still mounted under $tree, so it is left in place:" >&2
            mounted_under "$tree" | sed 's/^/    /' >&2
            echo "fresh-check: unmount those, then remove it with rm -rf --one-file-system $tree" >&2
            left=1
        else
            rm -rf --one-file-system "$tree"
        fi
    done
    if [ -n "$work_tmpfs" ] && [ $left -eq 0 ] && is_mounted "$work_tmpfs"; then
        umount "$work_tmpfs" || {
            echo "fresh-check: ERROR: the tmpfs on $work_tmpfs cannot be unmounted; it is left in place." >&2
            left=1
        }
    fi
    if [ -n "$work" ] && [ $left -eq 0 ]; then
        if [ -n "$(mounted_under "$work")" ]; then
            echo "fresh-check: ERROR: still mounted under $work, so it is left in place." >&2
            left=1
        else
            rm -rf --one-file-system "$work"
        fi
    fi
    return $left
}

summary() {
    local result=$1 name times=""
    for name in "${stages[@]}" cleanup; do
        [ -z "${stage_seconds[$name]:-}" ] || times+="${times:+, }$name ${stage_seconds[$name]} s"
    done
    echo "fresh-check: $result in $(($(date +%s) - started)) s (${times:-no stage}); pages $pages;" \
        "font $font; package $deb_name $deb_size bytes; Depends: $depends"
}

on_exit() {
    local status=$?
    trap '' INT TERM
    trap - EXIT
    set +e
    end_stage
    local cleanup_started
    cleanup_started=$(date +%s)
    if ! cleanup; then
        echo "fresh-check: ERROR: the check's trees could not all be removed." >&2
        [ $status -ne 0 ] || status=1
    fi
    stage_seconds[cleanup]=$(($(date +%s) - cleanup_started))
    if [ $status -eq 0 ]; then
        summary PASS
    elif [ -n "$signal" ]; then
        summary "INTERRUPTED by $signal${stage:+ in the $stage stage}"
    else
        summary "FAIL${stage:+ in the $stage stage}"
    fi
    exit $status
}
trap on_exit EXIT
trap 'signal=SIGINT; exit 130' INT
trap 'signal=SIGTERM; exit 143' TERM

fail() {
    echo "fresh-check: FAIL: $*" >&2
    exit 1
}

# Stages are timed from their start to the start of the next one, or to the exit.
end_stage() {
    [ -z "$stage" ] || stage_seconds[$stage]=$(($(date +%s) - stage_started))
}

begin_stage() {
    end_stage
    stage=$1
    stage_started=$(date +%s)
    echo
    echo "== fresh-check: $1 ($((stage_started - started)) s so far) =="
}

# Runs a command in the background and waits for it, so that INT and TERM reach the traps at once
# rather than when a long command ends.
run() {
    "$@" &
    child=$!
    local status=0
    wait "$child" || status=$?
    child=""
    return $status
}

# Runs a command in a tree, as root in a clean environment: no display, no print server, only
# what a login on a fresh machine has. Extra NAME=VALUE words before the command are passed on.
in_tree() {
    local tree=$1
    shift
    run "${pin[@]}" chroot "$tree" /usr/bin/env -i HOME=/root PATH=$tree_path LANG=C.UTF-8 "$@"
}

# ---------------------------------------------------------------------------------------------
# The trees.

tarball_ok() {
    local release
    [ -s "$tarball" ] || return 1
    # Reading a member reads the archive to its end, which also proves it whole.
    release=$(tar -xzOf "$tarball" ./usr/lib/os-release 2>/dev/null) || return 1
    grep -qx "VERSION_CODENAME=$suite" <<<"$release"
}

make_tarball() {
    local tree=$1 log=$work/debootstrap.log
    echo "Making the pristine tree: debootstrap --variant=minbase $suite $tree $uri"
    if ! run debootstrap --variant=minbase "$suite" "$tree" "$uri" >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        [ ! -f "$tree/debootstrap/debootstrap.log" ] || tail -n 30 "$tree/debootstrap/debootstrap.log" >&2
        fail "debootstrap failed (the end of its log is above)"
    fi
    [ -z "$(mounted_under "$tree")" ] || fail "debootstrap left file systems mounted under $tree"
    rm -f "$tree"/var/cache/apt/archives/*.deb
    mkdir -p "$(dirname "$tarball")"
    partial=$tarball.part.$$
    run tar -C "$tree" --numeric-owner --one-file-system -czf "$partial" .
    mv -f "$partial" "$tarball"
    partial=""
    echo "Kept the pristine tree as $tarball ($(stat -c %s "$tarball") bytes)."
}

unpack_tree() {
    run tar -C "$1" --numeric-owner -xzpf "$tarball" || fail "unpacking $tarball into $1 failed"
}

# Makes the tree at $1 ready to work in: the machine's apt sources and name server, and no
# daemons started by packages (a chroot has no init of its own; a daemon left running there
# would keep the tree's mounts busy). Files are removed before they are written, so that a
# symbolic link in the tree can never send a write to the machine's own file.
prepare_tree() {
    local tree=$1 file
    rm -f "$tree/etc/apt/sources.list" "$tree"/etc/apt/sources.list.d/*
    while read -r file; do
        cp "$file" "$tree$file"
    done < <(apt_source_files)
    if [ -d /etc/apt/keyrings ]; then
        mkdir -p "$tree/etc/apt/keyrings"
        cp -R /etc/apt/keyrings/. "$tree/etc/apt/keyrings/"
    fi
    rm -f "$tree/etc/resolv.conf"
    cp /etc/resolv.conf "$tree/etc/resolv.conf"
    rm -f "$tree/usr/sbin/policy-rc.d"
    printf '#!/bin/sh\n# Packages start no daemons in the check'"'"'s trees.\nexit 101\n' >"$tree/usr/sbin/policy-rc.d"
    chmod 755 "$tree/usr/sbin/policy-rc.d"
}

# Mounts what a chroot needs. The list is kept here, in the main shell, for cleanup.
mount_tree() {
    local tree=$1
    mount -t proc proc "$tree/proc"
    mounts+=("$tree/proc")
    mount --rbind /sys "$tree/sys"
    mounts+=("$tree/sys")
    # Unmounting in the tree must never reach the machine's own /sys and /dev.
    mount --make-rslave "$tree/sys"
    mount --bind /dev "$tree/dev"
    mounts+=("$tree/dev")
    mount --make-rslave "$tree/dev"
    mount --bind /dev/pts "$tree/dev/pts"
    mounts+=("$tree/dev/pts")
}

# The lines of the first ```sh block after the heading $1, or of the file's first one.
readme_block() {
    awk -v heading="$1" '
        !begun { if (heading == "" || $0 == heading) begun = 1; if (heading != "") next }
        !inside && heading != "" && /^## / { exit }
        !inside && /^```sh[ \t]*$/ { inside = 1; next }
        inside && /^```/ { exit }
        inside { print }' "$2"
}

# The commands of a block: comments and empty lines dropped.
commands_of() {
    sed -E 's/(^|[[:space:]]+)#.*$//' | grep -v '^[[:space:]]*$' || true
}

# ---------------------------------------------------------------------------------------------

echo "fresh-check: Debian 12 from $uri; the checkout's HEAD, $(git -C "$root" rev-parse --short HEAD)."
head=$(git -C "$root" rev-parse HEAD)
[ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] ||
    echo "fresh-check: note: the checkout has uncommitted changes; they are not part of the check."

begin_stage tree
work=$(mktemp -d "$workbase/lstprint-fresh-check.XXXXXX")
if [ "${LSTPRINT_FRESH_TMPFS:-1}" != 0 ]; then
    mount -t tmpfs -o mode=0755 lstprint-fresh-check "$work"
    work_tmpfs=$work
fi
build_tree=$work/build-tree
mkdir "$build_tree"
trees+=("$build_tree")
if tarball_ok; then
    echo "Unpacking the pristine tree from $tarball"
    unpack_tree "$build_tree"
else
    [ ! -e "$tarball" ] || echo "$tarball cannot be read as a $suite tree: making it again."
    make_tarball "$build_tree"
fi
prepare_tree "$build_tree"
mount_tree "$build_tree"
clone=/root/lstprint
git clone -q --no-hardlinks --no-checkout "$root" "$build_tree$clone"
git -C "$build_tree$clone" checkout -q --detach "$head"

begin_stage demo
readme=$build_tree$clone/README.md
first=$(readme_block "" "$readme" | commands_of | head -n 1)
[ -n "$first" ] || fail "README.md has no sh block with a command"
lists=()
while IFS= read -r -d '' list; do
    lists+=("$list")
done < <(find "$build_tree$clone/demo" -maxdepth 1 -type f -iname '*.lst' -print0 | LC_ALL=C sort -zf)
[ ${#lists[@]} -gt 0 ] || fail "the demo folder has no list file"
# The records: the lines after the header that are not empty (lines end in CR LF, CR or LF).
records=$(tr '\r' '\n' <"${lists[0]}" | tail -n +2 | grep -c . || true)
[ "$records" -gt 0 ] || fail "the demo's list file $(basename "${lists[0]}") has no records"
echo "The README's first command: $first"
in_tree "$build_tree" bash -c "cd $clone && $first" ||
    fail "the README's first command, $first, failed on a fresh Debian 12 (its output is above)"
demo_pdf=$build_tree$clone/build/demo.pdf
[ -f "$demo_pdf" ] || fail "$first left no build/demo.pdf"
info=$(in_tree "$build_tree" pdfinfo "$clone/build/demo.pdf") || fail "pdfinfo cannot read build/demo.pdf"
pages=$(awk '$1 == "Pages:" { print $2 }' <<<"$info")
[ "$pages" = "$records" ] ||
    fail "build/demo.pdf has ${pages:-no} pages; the demo's list file has $records records"
echo "build/demo.pdf: $pages pages, one per record."

begin_stage package
install_steps=$(readme_block "## Install" "$readme" | commands_of)
grep -q 'cpack' <<<"$install_steps" || fail "README.md's Install section has no cpack command"
while IFS= read -r step; do
    # There is no sudo on a fresh machine, and the check runs as root.
    step=$(sed -E 's/(^|[;&|(][[:space:]]*)sudo[[:space:]]+/\1/g' <<<"$step")
    echo "+ $step"
    in_tree "$build_tree" bash -c "cd $clone && $step" ||
        fail "the README's Install step, $step, failed on a fresh Debian 12 (its output is above)"
done <<<"$install_steps"
debs=("$build_tree$clone"/build/lstprint_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    fail "the Install steps made no single build/lstprint_*.deb"
fi
deb=${debs[0]}
deb_name=$(basename "$deb")
deb_size=$(stat -c %s "$deb")
depends=$(dpkg-deb -f "$deb" Depends)
version=$(dpkg-deb -f "$deb" Version)
echo "$deb_name: $deb_size bytes, Depends: $depends"

begin_stage "installed check"
install_tree=$work/install-tree
mkdir "$install_tree"
trees+=("$install_tree")
unpack_tree "$install_tree"
prepare_tree "$install_tree"
mount_tree "$install_tree"
cp "$deb" "$install_tree/root/"
cp -R "$build_tree$clone/demo" "$install_tree/root/demo"
in_tree "$install_tree" apt-get update -q || fail "apt-get update failed in the second tree"
in_tree "$install_tree" DEBIAN_FRONTEND=noninteractive bash -c "cd /root && apt-get install -y -q ./$deb_name" ||
    fail "apt-get install ./$deb_name failed on a fresh Debian 12"
said=$(in_tree "$install_tree" lstprint --version | head -n 1) || fail "lstprint --version failed in the installed tree"
[ "$said" = "lstprint $version" ] || fail "lstprint --version says '$said', the package is version $version"
echo "lstprint --version: $said"
# The PDF is made before anything else is installed: only what the package brought may draw it.
in_tree "$install_tree" lstprint --pdf /root/out.pdf /root/demo ||
    fail "lstprint --pdf failed with only its package installed"
# poppler-utils and man-db are the checker's tools, not dependencies of the package: they come
# after the package and after its PDF was made, so that they cannot hide a missing dependency.
in_tree "$install_tree" DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends poppler-utils man-db ||
    fail "installing the checker's tools (poppler-utils, man-db) failed"
info=$(in_tree "$install_tree" pdfinfo /root/out.pdf) || fail "pdfinfo cannot read the installed program's PDF"
installed_pages=$(awk '$1 == "Pages:" { print $2 }' <<<"$info")
[ "$installed_pages" = "$records" ] ||
    fail "the installed program's PDF has ${installed_pages:-no} pages; the demo's list file has $records records"
echo "The installed program's PDF: $installed_pages pages."
manual=$(in_tree "$install_tree" man -w lstprint) || fail "man -w lstprint finds no manual page"
case $manual in
/usr/share/man/*) echo "man -w lstprint: $manual" ;;
*) fail "man -w lstprint says $manual, not a page under /usr/share/man" ;;
esac
[ -z "$work_tmpfs" ] || echo "The two trees take $(df -m --output=used "$work_tmpfs" | tail -n 1 | tr -d ' ') MiB."
# All text of a page is drawn in the grid's font, so every font in the PDF must be it. Courier's
# metrics come from Nimbus Mono PS (fonts-urw-base35) or Liberation Mono; any other fixed-pitch
# font makes the grid wider or narrower than the layout assumes.
fonts=$(in_tree "$install_tree" pdffonts /root/out.pdf | awk 'NR > 2 { print $1 }' |
    sed 's/^[A-Z]\{6\}+//' | sort -u) ||
    fail "pdffonts cannot read the installed program's PDF"
[ -n "$fonts" ] || fail "the installed program's PDF embeds no font"
font=$(paste -sd' ' <<<"$fonts")
while read -r name; do
    [[ $name =~ ^(NimbusMonoPS|LiberationMono)(-|$) ]] ||
        fail "the installed program's PDF draws the grid in $name, not in a font with Courier's" \
            "metrics (Nimbus Mono PS or Liberation Mono): the package does not bring one"
done <<<"$fonts"
echo "The grid's font: $font"

end_stage
stage=""
