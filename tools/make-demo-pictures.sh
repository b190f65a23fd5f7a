#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers
# Regenerates the pictures of the demo folder with ImageMagick. The committed files were made
# with this script; it is only needed to change them.
set -euo pipefail
cd "$(dirname "$0")/../demo"

font=DejaVu-Sans
convert -size 200x60 xc:'#1d3557' -fill '#f1faee' -font "$font" -pointsize 30 \
    -gravity center -annotate +0+0 'Quillmarsh' -fill '#e63946' -draw 'rectangle 0,52 200,60' logo.gif

picture() { # name width height colour label
    convert -size "$2x$3" "gradient:$4-white" -fill '#222222' -font "$font" -pointsize $(( $3 / 6 )) \
        -gravity center -annotate +0+0 "$5" -stroke '#222222' -strokewidth 4 -fill none \
        -draw "rectangle 2,2 $(( $2 - 3 )),$(( $3 - 3 ))" "$1"
}
picture lamp.gif 320 240 '#e9c46a' 'Brass lamp'
picture desk.jpg 480 320 '#8d6e63' 'Oak desk'
picture chair.png 240 320 '#2a9d8f' 'Chair'
picture shelf-with-a-long-file-name.gif 300 200 '#a8dadc' 'Shelf'
picture mural.jpg 1400 500 '#f4a261' 'Wide mural'
