#!/usr/bin/env bash
# Where the saver puts the stage, on screenshots: test containers that hold only a stage record
# of a chosen size and colour are bundled into the saver, and every worked case of the screen
# size the test runs on is checked to the pixel, with the stretch option off and on
# ("StageSize" in the registry). Everything outside the stage is black, and the white root
# window shows again once the saver has closed. The demo's 640 x 480 stage on 1024 x 768, 1:1,
# stretched and in the preview, is saver_frames.sh's, against cinefold render.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin "$@"
[[ -n $CF_SAVER ]] || cf_fail "no saver given (--saver)"
cf_tools make_bundled_saver.exe
width=$CF_SCREEN_WIDTH
height=$CF_SCREEN_HEIGHT
colour=99CC33 # the colour reference 0x0033CC99 as the screen shows it
settings_key='HKCU\Software\Quillmark\CinefoldScreenSaver'

bundle() { # bundle W H: a saver whose stage is W x H
    local out="$CF_TMP/stage-$1x$2.scr"
    [[ -f $out ]] && { printf '%s\n' "$out"; return 0; }
    cf_run 60 "$CF_TOOLS/make_bundled_saver.exe" "$CF_SAVER" "$out" "$1" "$2" 0033CC99 >&2 ||
        cf_fail "bundling a $1 x $2 stage failed"
    printf '%s\n' "$out"
}

# rect_points LEFT TOP W H [OFFSET_X OFFSET_Y]: the corners and centre of the rectangle in the
# stage colour, and the pixels just outside each corner (where they are on the screen) black.
rect_points() {
    local l=$1 t=$2 r=$(($1 + $3 - 1)) b=$(($2 + $4 - 1)) x y
    local points=("$l,$t=$colour" "$r,$t=$colour" "$l,$b=$colour" "$r,$b=$colour"
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

# check_full_screen NAME STAGE_W STAGE_H STRETCH LEFT TOP W H
check_full_screen() {
    local name=$1 saver points xid
    saver=$(bundle "$2" "$3") || exit 1
    cf_store_stretch "$4"
    mapfile -t points < <(rect_points "$5" "$6" "$7" "$8")
    cf_mouse_move $((width / 2)) $((height / 2)) || cf_fail "cannot move the pointer"
    cf_start "$name" "$saver" /s
    cf_wait_window WindowsScreenSaverClass "Screen Saver" || cf_fail "$name: no saver window"
    cf_wait_pixels 60 "${points[@]}" || cf_fail "$name: the stage is not at ($5, $6) ${7}x$8"
    cf_log "ok: $name: stage at ($5, $6), ${7}x$8"
    xid=$(cf_x_window "Screen Saver") || cf_fail "$name: no X window for the saver"
    cf_close_with "$name" "$xid" 60 key space || cf_fail "$name: the saver did not close"
    cf_expect_eq "$CF_EXIT" 0 "$name: exit code"
    cf_wait_pixels 30 0,0=FFFFFF || cf_fail "$name: the saver's window stayed on the screen"
}

case ${width}x$height in
1024x768)
    check_full_screen 300-centred 300 200 0 362 284 300 200
    check_full_screen 300-stretched 300 200 1 2 44 1020 680
    ;;
800x600)
    check_full_screen 640-centred 640 480 0 80 60 640 480
    check_full_screen 640-stretched 640 480 1 16 12 768 576
    check_full_screen 300-centred 300 200 0 250 200 300 200
    check_full_screen 300-stretched 300 200 1 10 40 780 520
    check_full_screen 800-centred 800 600 0 0 0 800 600

    # A stage record without a usable size: the saver runs on a black screen and closes as
    # usual, stretched or not.
    for size in "0 200" "-5 -5"; do
        for option in 0 1; do
            name="stage-${size/ /x}-stretch-$option"
            saver=$(bundle $size) || exit 1
            stretch "$option"
            cf_start "$name" "$saver" /s
            cf_wait_window WindowsScreenSaverClass "Screen Saver" || cf_fail "$name: no saver window"
            cf_wait_pixels 60 0,0=000000 400,300=000000 799,599=000000 ||
                cf_fail "$name: the screen is not black"
            xid=$(cf_x_window "Screen Saver") || cf_fail "$name: no X window for the saver"
            cf_close_with "$name" "$xid" 60 key space || cf_fail "$name: the saver did not close"
            cf_expect_eq "$CF_EXIT" 0 "$name: exit code"
        done
    done
    ;;
*) cf_fail "no worked cases for a ${width}x$height screen" ;;
esac
cf_run 60 reg delete "$settings_key" /f >/dev/null 2>&1
