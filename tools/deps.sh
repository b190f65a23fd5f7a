#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Installs the Debian packages the project needs: to build and run it (Qt, CUPS, libpaper for the
# system's paper, for the PDF writer zlib, HarfBuzz, FreeType, fontconfig, libjpeg-turbo and
# Little CMS, libpng to prove PNGs before their data goes into a document, Poppler to render the
# finished document's pages, and libcups's raster header from libcupsimage2-dev to write them as PWG
# or Apple raster for printers that take no PDF), to run its tests (virtual display, PDF tools and
# mupdf's as a third reader of the documents beside poppler and Ghostscript, a private print
# system, driverless test printers: ippeveprinter from cups-ipp-utils under a private bus of
# dbus-daemon, clang for
# fuzzing, bash-completion's helpers for the completion test; its pkg-config file also says where
# the completion file is installed), and to build and check the
# installed tree and the Debian package (validators for the desktop entry, metainfo, manual page
# and MIME package; dpkg-shlibdeps and file, which CPack uses to compute the dependencies; lintian),
# and debootstrap for the fresh-machine check (tools/fresh-check.sh). The window tests feed input
# through Qt's window system interface, which is private API: its CMake package needs
# qt6-base-private-dev and libxkbcommon-dev. The translations are compiled with Qt Linguist's tools
# through Qt's own CMake commands (qt6-tools-dev), Qt's own words (message box buttons, the command
# line's headings) come from Qt's translations, and the test of the German texts runs in the
# de_DE.UTF-8 locale, which is generated here. Run as root.
# With --profiling, also the profilers that tools/profile.sh uses. With --accessibility, also what
# reads the windows as assistive technology does (the AT-SPI bus and its Python reader, a private
# session bus, and the Orca screen reader, whose --debug-file logs what it would say); the tests
# need none of it, as they ask Qt's accessibility interfaces in the process.
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-l10n-tools qt6-tools-dev libpoppler-qt6-dev qt6-translations-l10n locales libqt6svg6 libcups2-dev libcupsimage2-dev libjpeg62-turbo-dev libpng-dev libpaper-dev bash-completion
    qt6-base-private-dev libxkbcommon-dev
    zlib1g-dev libharfbuzz-dev libfreetype-dev libfontconfig-dev liblcms2-dev
    fonts-urw-base35 fonts-dejavu-core fontconfig
    xvfb xauth xdotool imagemagick poppler-utils qpdf ghostscript mupdf-tools
    weston qt6-wayland
    cups-daemon cups-client cups-ipp-utils printer-driver-cups-pdf dbus-daemon
    clang-14 libclang-rt-14-dev
    desktop-file-utils appstream man-db libxml2-utils shared-mime-info dpkg-dev file lintian
    debootstrap
)
if [ "${1:-}" = --profiling ]; then
    packages+=(linux-perf valgrind)
fi
if [ "${1:-}" = --accessibility ]; then
    packages+=(at-spi2-core python3-pyatspi dbus-x11 orca)
fi
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    # Another apt run (an unattended upgrade, a second build) may hold dpkg's lock for a while.
    wait_for_lock=(-o DPkg::Lock::Timeout=600)
    "${sudo_cmd[@]}" apt-get "${wait_for_lock[@]}" update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get "${wait_for_lock[@]}" install -y -q \
        --no-install-recommends "${missing[@]}"
fi
# The locale the translation test runs in. locale -a spells it de_DE.utf8.
if ! locale -a 2>/dev/null | grep -qx 'de_DE\.utf8'; then
    "${sudo_cmd[@]}" localedef -i de_DE -c -f UTF-8 -A /usr/share/locale/locale.alias de_DE.UTF-8
fi
