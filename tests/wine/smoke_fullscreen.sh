#!/usr/bin/env bash
# "/s" opens one visible top-level window of the saver's class and title that covers the
# whole screen, and a real key press closes it with exit code 0.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin "$@"
[[ -n $CF_SAVER ]] || cf_fail "no saver given (--saver)"
width=$CF_SCREEN_WIDTH
height=$CF_SCREEN_HEIGHT

cf_start saver "$CF_SAVER" /s
cf_wait_window WindowsScreenSaverClass "Screen Saver" ||
    cf_fail "no visible window of class WindowsScreenSaverClass titled 'Screen Saver' appeared"
cf_expect_eq "$CF_WINDOW_RECT" "0,0,$width,$height" "saver window rectangle"
cf_expect_eq "$(cf_screen_size)" "${width}x$height" "screen size seen by Windows programs"

# The X side: the window Wine made for it is mapped and covers the display.
xid=$(cf_x_window "Screen Saver") || cf_fail "no visible X window named 'Screen Saver'"
cf_expect_eq "$(cf_x_geometry "$xid")" "0 0 $width $height" "X window position and size"

cf_running saver || cf_fail "the saver ended before it was given any input"
cf_close_with saver "$xid" 60 key space || cf_fail "the saver was still running after key presses for 60 s"
cf_expect_eq "$CF_EXIT" 0 "exit code after a key press"
