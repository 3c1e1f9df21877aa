#!/usr/bin/env bash
# Where the saver puts the stage, on screenshots: test containers that hold only a stage record
# of a chosen size and colour are bundled into the saver, and every worked case of the screen
# size the test runs on is checked to the pixel, with the stretch option off and on
# ("StageSize" in the registry), and in a 152 x 112 preview on 1024 x 768. Everything outside
# the stage is black, and the white root window shows again once the saver has closed. The
# preview runs inside preview_host.exe (see there why).

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin "$@"
[[ -n $CF_SAVER ]] || cf_fail "no saver given (--saver)"
cf_tools make_bundled_saver.exe preview_host.exe
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

stretch() { # stretch 0|1
    cf_run 60 reg add "$settings_key" /v StageSize /t REG_SZ /d "$1" /f >/dev/null 2>&1 ||
        cf_fail "cannot store StageSize"
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
    stretch "$4"
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
    check_full_screen 640-centred 640 480 0 192 144 640 480
    check_full_screen 640-stretched 640 480 1 0 0 1024 768
    check_full_screen 300-centred 300 200 0 362 284 300 200
    check_full_screen 300-stretched 300 200 1 2 44 1020 680

    # The preview shows the unstretched screen, the stage at (362, 284) on black, shrunk from
    # 1024 x 768 to 152 x 112: the stage covers about x 54..97 and y 42..70 of the preview.
    # The option does not change it. The host window is at (100, 100).
    stretch 1
    host="$CF_TMP/preview_host.exe"
    cf_run 60 "$CF_TOOLS/make_bundled_saver.exe" "$CF_TOOLS/preview_host.exe" "$host" 300 200 \
        0033CC99 >&2 || cf_fail "bundling the preview host failed"
    cf_start preview "$host" 100 100 152 112
    cf_wait_window CinefoldPreviewHost "Preview host" || cf_fail "the preview host did not show"
    inside=(); outside=()
    for xy in 56,44 95,44 56,68 95,68 76,56; do
        inside+=("$((${xy%,*} + 100)),$((${xy#*,} + 100))=$colour")
    done
    for xy in 51,56 100,56 76,39 76,73 0,0 151,0 0,111 151,111; do
        outside+=("$((${xy%,*} + 100)),$((${xy#*,} + 100))=000000")
    done
    cf_wait_pixels 60 "${inside[@]}" "${outside[@]}" "99,99=FFFFFF" "252,212=FFFFFF" ||
        cf_fail "the preview does not show the shrunk screen"
    mkdir -p -- "$CF_BUILD_DIR/wine-figures"
    cf_screenshot "$CF_BUILD_DIR/wine-figures/preview-152x112.png" || true
    cf_probe 30 post CinefoldPreviewHost "Preview host" WM_CLOSE >/dev/null ||
        cf_fail "cannot close the preview host"
    cf_wait_exit preview 60 || cf_fail "the preview did not end"
    cf_expect_eq "$CF_EXIT" 0 "preview exit code"
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
