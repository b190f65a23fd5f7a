#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Installs what is needed, builds lstprint and starts it on a copy of the demo folder, the way a
# user runs it: the program sits in the folder with the list file, the logo and the pictures.
# Without a display there is no window to see: the demo folder is printed to a PDF through the
# command line instead, and the script says where it is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
# Everything is configured (so that a missing package shows at once), but only the program is built.
"$root/tools/build.sh" "$root/build" --target=lstprint
run="$root/build/demo"
mkdir -p "$run"
cp "$root"/demo/* "$run"/
cp "$root/build/app/lstprint" "$run/lstprint"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    pdf="$root/build/demo.pdf"
    echo "No display found: printing the demo folder to a PDF instead of opening the window."
    "$run/lstprint" --pdf "$pdf" "$run"
    echo "The demo's pages are in $pdf (pdftoppm -png -r 60 $pdf page makes pictures of them)."
    exit 0
fi
echo "Starting $run/lstprint"
exec "$run/lstprint"
