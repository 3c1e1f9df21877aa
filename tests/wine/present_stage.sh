#!/usr/bin/env bash
# Where the saver puts the stage, on screenshots: test containers that hold only a stage record
# of a chosen size and colour are bundled into the saver, and the worked cases of an 800 x 600
# screen are checked to the pixel, with the stretch option off and on
# ("StageSize" in the registry). Everything outside the stage is black, and the white root
# window shows again once the saver has closed. A stage record without a usable size leaves the
# screen black, stretched or not. The demo's 640 x 480 stage on 1024 x 768, 1:1, stretched and
# in the preview, is saver_frames.sh's, against cinefold render.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 800x600x24 "$@"
cf_tools make_bundled_saver.exe
width=$CF_SCREEN_WIDTH
height=$CF_SCREEN_HEIGHT
colour=99CC33 # the colour reference 0x0033CC99 as the screen shows it

# rect_points LEFT TOP W H: the corners and centre of the rectangle in the stage colour, and
# the pixels just outside each corner and the screen's corners (where they are on the screen
# and outside the rectangle) black. An empty rectangle checks only black, around (LEFT, TOP).
rect_points() {
    local l=$1 t=$2 r=$(($1 + $3 - 1)) b=$(($2 + $4 - 1)) x y
    local points=() xy
    (($3 > 0)) && points=("$l,$t=$colour" "$r,$t=$colour" "$l,$b=$colour" "$r,$b=$colour"
        "$(((l + r) / 2)),$(((t + b) / 2))=$colour")
    for xy in "$((l - 1)),$t" "$((r + 1)),$b" "$l,$((t - 1))" "$r,$((b + 1))" \
        "0,0" "$((width - 1)),$((height - 1))"; do
        x=${xy%,*} y=${xy#*,}
        ((x >= 0 && y >= 0 && x < width && y < height)) || continue
        ((x >= l && x <= r && y >= t && y <= b)) && continue
        points+=("$xy=000000")
    done
    printf '%s\n' "${points[@]}"
}

# check STAGE_W STAGE_H STRETCH LEFT TOP W H: a saver whose stage is STAGE_W x STAGE_H shows it
# at (LEFT, TOP), W x H, and leaves the white root window when it closes.
check() {
    local name="$1x$2-stretch-$3" saver="$CF_TMP/stage-$1x$2.scr" points
    if [[ ! -f $saver ]]; then
        cf_run 60 "$CF_TOOLS/make_bundled_saver.exe" "$CF_SAVER" "$saver" "$1" "$2" 0033CC99 >&2 ||
            cf_fail "bundling a $1 x $2 stage failed"
    fi
    cf_store_stretch "$3"
    mapfile -t points < <(rect_points "$4" "$5" "$6" "$7")
    cf_start_saver "$name" "$saver"
    cf_wait_pixels 60 "${points[@]}" || cf_fail "$name: the stage is not at ($4, $5) ${6}x$7"
    cf_close_saver "$name"
    cf_wait_pixels 30 0,0=FFFFFF || cf_fail "$name: the saver's window stayed on the screen"
}

check 640 480 0 80 60 640 480
check 640 480 1 16 12 768 576
check 300 200 0 250 200 300 200
check 300 200 1 10 40 780 520
check 800 600 0 0 0 800 600
for stretch in 0 1; do
    check 0 200 "$stretch" 400 300 0 0
    check -5 -5 "$stretch" 400 300 0 0
done
cf_forget_settings
