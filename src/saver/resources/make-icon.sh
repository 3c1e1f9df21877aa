#!/usr/bin/env bash
# Draws the saver's icon, a frame of film folded at one corner over a night-blue stage, at 16,
# 32 and 48 pixels, and writes them into one icon file (icon group 106 in cinefold.rc).
#
#   src/saver/resources/make-icon.sh [OUT]      (default: cinefold.ico beside this script)
#
# Each size is drawn on a 192-pixel canvas and reduced, so every size shows the same picture.
# The PNG steps strip their time stamps, so the same ImageMagick makes the same bytes.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-$here/cinefold.ico}
work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT

# The big picture: a rounded night-blue square; a film frame in amber with sprocket holes
# along its top and bottom edges; its lower right corner folded back in a lighter shade.
convert -size 192x192 xc:none \
    -fill '#1B2A4A' -draw 'roundrectangle 4,4 187,187 28,28' \
    -fill '#F2B233' -draw 'rectangle 30,44 162,148' \
    -fill '#1B2A4A' \
    -draw 'rectangle 42,52 58,64' -draw 'rectangle 74,52 90,64' \
    -draw 'rectangle 106,52 122,64' -draw 'rectangle 138,52 154,64' \
    -draw 'rectangle 42,128 58,140' -draw 'rectangle 74,128 90,140' \
    -fill '#3D6FB6' -draw 'rectangle 46,74 146,118' \
    -fill '#1B2A4A' -draw 'polygon 162,100 162,148 114,148' \
    -fill '#FFE08A' -draw 'polygon 162,100 114,148 114,100' \
    -define png:exclude-chunks=date,time "$work/big.png"

sizes=()
for size in 16 32 48; do
    convert "$work/big.png" -filter Box -resize "${size}x$size" \
        -define png:exclude-chunks=date,time "$work/icon-$size.png"
    sizes+=("$work/icon-$size.png")
done
convert "${sizes[@]}" "$out"
echo "wrote $out"
