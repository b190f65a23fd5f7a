#!/usr/bin/env bash
# Installs what is needed, builds lstprint and starts it on a copy of the demo folder, the way a
# user runs it: the program sits in the folder with the list file, the logo and the pictures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
"$root/tools/build.sh" "$root/build"
run="$root/build/demo"
mkdir -p "$run"
cp "$root"/demo/* "$run"/
cp "$root/build/app/lstprint" "$run/lstprint"
echo "Starting $run/lstprint"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting it on a virtual one (xvfb-run)." >&2
    exec xvfb-run -a "$run/lstprint"
fi
exec "$run/lstprint"
