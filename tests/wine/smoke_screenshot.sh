#!/usr/bin/env bash
# The full-screen saver paints the whole display: the corners and the centre of a screenshot
# turn black (the default stage is black on black), a mouse click closes it with exit code 0,
# and the display shows Xvfb's white root window again afterwards. A smaller screen than the
# default checks that the window follows the display's size.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 800x600x24 "$@"
[[ -n $CF_SAVER ]] || cf_fail "no saver given (--saver)"
right=$((CF_SCREEN_WIDTH - 1))
bottom=$((CF_SCREEN_HEIGHT - 1))
corners=("0,0" "$right,0" "0,$bottom" "$right,$bottom")
centre="$((CF_SCREEN_WIDTH / 2)),$((CF_SCREEN_HEIGHT / 2))"

# Black can only come from the saver while the root window is white.
cf_wait_pixels 30 "${corners[@]/%/=FFFFFF}" "$centre=FFFFFF" ||
    cf_fail "the display is not white before the saver starts"

# The pointer rests where the click will be, so that only the click can close the saver.
cf_mouse_move "${centre%,*}" "${centre#*,}" || cf_fail "cannot move the pointer"
cf_start saver "$CF_SAVER" /s
cf_wait_window WindowsScreenSaverClass "Screen Saver" || cf_fail "the saver window did not appear"
cf_wait_pixels 60 "${corners[@]/%/=000000}" "$centre=000000" ||
    cf_fail "the saver did not paint the screen black"

xid=$(cf_x_window "Screen Saver") || cf_fail "no visible X window named 'Screen Saver'"
cf_running saver || cf_fail "the saver ended before it was given any input"
cf_close_with saver "$xid" 60 click 1 || cf_fail "the saver was still running after clicks for 60 s"
cf_expect_eq "$CF_EXIT" 0 "exit code after a mouse click"

cf_wait_pixels 30 "${corners[@]/%/=FFFFFF}" "$centre=FFFFFF" ||
    cf_fail "the display did not return to white after the saver closed"
