#!/usr/bin/env bash
# A saver built with the bundling code finds the container behind its own executable and walks
# it: the stage of its last stage record shows at its size and colour, centred on the black
# screen, exactly to the pixel.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 800x600x24 "$@"
[[ -n $CF_SAVER ]] || cf_fail "no saver given (--saver)"
cf_tools make_bundled_saver.exe

# Stage 320 x 200 in the colour reference 0x0000C0FF: red FF, green C0, blue 00.
bundled="$CF_TMP/bundled.scr"
cf_run 60 "$CF_TOOLS/make_bundled_saver.exe" "$CF_SAVER" "$bundled" 320 200 0000C0FF >&2 || cf_fail "bundling failed"

# The stage lands at ((800 - 320) / 2, (600 - 200) / 2) = (240, 200) and ends at (559, 399).
inside=("240,200=FFC000" "559,200=FFC000" "240,399=FFC000" "559,399=FFC000" "400,300=FFC000")
outside=("239,200=000000" "560,200=000000" "240,199=000000" "240,400=000000" "0,0=000000" "799,599=000000")

cf_mouse_move 400 300 || cf_fail "cannot move the pointer"
cf_start saver "$bundled" /s
cf_wait_window WindowsScreenSaverClass "Screen Saver" || cf_fail "the saver window did not appear"
cf_wait_pixels 60 "${inside[@]}" "${outside[@]}" ||
    cf_fail "the stage of the bundled container is not where and how it should be"

xid=$(cf_x_window "Screen Saver") || cf_fail "no visible X window named 'Screen Saver'"
cf_close_with saver "$xid" 60 click 1 || cf_fail "the saver was still running after clicks for 60 s"
cf_expect_eq "$CF_EXIT" 0 "exit code after a mouse click"
