#!/bin/sh
# Video export of an animation (the demo by default) beside the way it is done without the tool's
# video output: render every frame to PNG, then let the ffmpeg program encode them with the same
# encoder settings (H.264 at rate factor 18 with its index at the front; VP9 at rate factor 24,
# cpu-used 4, row-mt). Prints the wall time and the size of each, in the same run.
#
#   bench/video_export.sh TOOL [FILE]       (FILE: build/linux/demo/demo.cfc)
set -eu

tool=${1:?usage: video_export.sh TOOL [FILE]}
file=${2:-$(dirname "$0")/../build/linux/demo/demo.cfc}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# seconds COMMAND...: the command's wall time in seconds, its output kept out of the way.
seconds() {
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    awk -v a="$(date +%s.%N)" -v b="$start" 'BEGIN { printf "%.1f", a - b }'
}

period=$("$tool" info "$file" --json | sed -n 's/.*"framePeriod": \([0-9]*\).*/\1/p')
rate=$(( period > 0 ? 10 / period : 100 ))
last=$("$tool" info "$file" --json | sed -n 's/.*"lastFrame": \([0-9]*\).*/\1/p')
pngs=$(seconds "$tool" render "$file" --frames "0:$last" -o "$work/f-%05d.png")
echo "PNG frames 0 to $last: $pngs s"
for format in mp4 webm; do
    ours=$(seconds "$tool" render "$file" --frames timeline -o "$work/ours.$format")
    if [ "$format" = mp4 ]; then
        set -- -c:v libx264 -crf 18 -movflags +faststart
    else
        set -- -c:v libvpx-vp9 -crf 24 -b:v 0 -cpu-used 4 -row-mt 1
    fi
    theirs=$(seconds ffmpeg -y -framerate "$rate" -i "$work/f-%05d.png" "$@" -pix_fmt yuv420p \
        "$work/ffmpeg.$format")
    echo "$format: cinefold $ours s, $(stat -c %s "$work/ours.$format") bytes;" \
        "PNG frames + ffmpeg $(awk -v a="$pngs" -v b="$theirs" 'BEGIN { print a + b }') s ($theirs s encoding)," \
        "$(stat -c %s "$work/ffmpeg.$format") bytes"
done
