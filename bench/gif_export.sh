#!/usr/bin/env bash
# GIF export of an animation (the demo by default) beside the way it is done without the tool's
# GIF output: render every frame to PNG, then let the ffmpeg program make a GIF of them in two
# passes (palettegen, then paletteuse with that palette). Prints, in the same run, the wall time
# and the size of each, and each GIF's mean error per channel against the frames themselves (the
# PNG files, decoded as the GIFs are, by ffmpeg, and compared by cinefold_frame_error).
#
#   bench/gif_export.sh BUILD_DIR [FILE]      (BUILD_DIR: a built linux preset, build/linux;
#                                              FILE: its demo/demo.cfc)
set -euo pipefail

build=${1:?usage: gif_export.sh BUILD_DIR [FILE]}
tool=$build/tools/cinefold
error=$build/bench/cinefold_frame_error
file=${2:-$build/demo/demo.cfc}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# seconds COMMAND...: the command's wall time in seconds, its output kept out of the way.
seconds() {
    local start
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    awk -v a="$(date +%s.%N)" -v b="$start" 'BEGIN { printf "%.1f", a - b }'
}
# frames SOURCE...: the frames that ffmpeg decodes from SOURCE, one after another, as raw RGB.
frames() { ffmpeg -v error "$@" -fps_mode passthrough -f rawvideo -pix_fmt rgb24 -; }

period=$("$tool" info "$file" --json | sed -n 's/.*"framePeriod": \([0-9]*\).*/\1/p')
rate=$(( period > 0 ? 10 / period : 100 ))
last=$("$tool" info "$file" --json | sed -n 's/.*"lastFrame": \([0-9]*\).*/\1/p')

ours=$(seconds "$tool" render "$file" --frames "0:$last" -o "$work/ours.gif")
pngs=$(seconds "$tool" render "$file" --frames "0:$last" -o "$work/f-%05d.png")
palette=$(seconds ffmpeg -y -framerate "$rate" -i "$work/f-%05d.png" -vf palettegen \
    "$work/palette.png")
remap=$(seconds ffmpeg -y -framerate "$rate" -i "$work/f-%05d.png" -i "$work/palette.png" \
    -lavfi paletteuse "$work/ffmpeg.gif")

truth=(-framerate "$rate" -i "$work/f-%05d.png")
echo "GIF of frames 0 to $last"
echo "cinefold: $ours s, $(stat -c %s "$work/ours.gif") bytes," \
    "error $("$error" <(frames -i "$work/ours.gif") <(frames "${truth[@]}"))"
echo "PNG frames + ffmpeg: $(awk -v a="$pngs" -v b="$palette" -v c="$remap" \
    'BEGIN { print a + b + c }') s ($pngs s PNG, $palette + $remap s palettegen + paletteuse)," \
    "$(stat -c %s "$work/ffmpeg.gif") bytes," \
    "error $("$error" <(frames -i "$work/ffmpeg.gif") <(frames "${truth[@]}"))"
awk -v a="$ours" -v b="$pngs" -v c="$palette" -v d="$remap" \
    'BEGIN { printf "cinefold / (PNG frames + ffmpeg): %.2f\n", a / (b + c + d) }'
