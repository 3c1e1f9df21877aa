#!/usr/bin/env bash
# Real input from the X server closes the full-screen saver as a user expects: a press of the
# left, middle or right button each closes it with exit code 0, and so does mouse travel of more
# than 4 pixels from where the pointer stood (3 right then 2 down), while 2 right and 2 down, or
# turns of the wheel, leave it running.
#
# "Leaves it running" is checked after the saver has taken the input in (its pointer position
# has moved) and for a few seconds more; each such check ends with an input that must close it.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin "$@"
[[ -n $CF_SAVER ]] || cf_fail "no saver given (--saver)"
quiet_seconds=3

start_saver() { # start_saver NAME: the pointer at (500, 400), then the saver
    cf_mouse_move 500 400 || cf_fail "cannot move the pointer"
    cf_probe 30 cursor 500 400 10000 >/dev/null || cf_fail "Wine does not see the pointer at (500, 400)"
    cf_start "$1" "$CF_SAVER" /s
    cf_wait_window WindowsScreenSaverClass "Screen Saver" || cf_fail "$1: no saver window"
}

move_to() { # move_to X Y: moves the pointer and waits until Wine has it there
    cf_mouse_move "$1" "$2" || cf_fail "cannot move the pointer"
    cf_probe 30 cursor "$1" "$2" 20000 >/dev/null || cf_fail "the pointer did not reach ($1, $2)"
}

expect_running() { # expect_running NAME WHAT
    if cf_poll "$quiet_seconds" cf__job_ended "$1" 2>/dev/null; then
        cf_wait_exit "$1" 5
        cf_fail "$2 closed the saver (exit code $CF_EXIT)"
    fi
    cf_log "ok: $2 left the saver running"
}

expect_closed() { # expect_closed NAME WHAT
    cf_wait_exit "$1" 60 || cf_fail "$2 did not close the saver"
    cf_expect_eq "$CF_EXIT" 0 "exit code after $2"
}

for button in 1 2 3; do
    start_saver "button-$button"
    xid=$(cf_x_window "Screen Saver") || cf_fail "no X window for the saver"
    cf_close_with "button-$button" "$xid" 60 click "$button" ||
        cf_fail "pressing button $button did not close the saver"
    cf_expect_eq "$CF_EXIT" 0 "exit code after pressing button $button"
done

start_saver wheel
cf_click 4 && cf_click 5 && cf_click 4 || cf_fail "cannot turn the wheel"
expect_running wheel "turning the wheel"
move_to 500 405
expect_closed wheel "moving 5 pixels down"

start_saver travel-4
move_to 502 400
move_to 502 402
expect_running travel-4 "2 right and 2 down"
move_to 503 402
expect_closed travel-4 "one pixel more, travel 5"

start_saver travel-3-2
move_to 503 400
move_to 503 402
expect_closed travel-3-2 "3 right then 2 down"
