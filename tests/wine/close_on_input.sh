#!/usr/bin/env bash
# Real input from the X server closes the full-screen saver as a user expects: a press of the
# left, middle or right button each closes it with exit code 0, and so does mouse travel of more
# than 4 pixels from where the pointer stood (2 right, then 2 down, then 1 right), while 2 right
# and 2 down, or turns of the wheel, leave it running.
#
# "Leaves it running" is checked after the saver has taken the input in (its pointer position
# has moved) and for a few seconds more; each such check ends with an input that must close it.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin "$@"
# The saver starts with the pointer at the centre of the screen.
x=$((CF_SCREEN_WIDTH / 2)) y=$((CF_SCREEN_HEIGHT / 2))

move_by() { # move_by DX DY: moves the pointer from the centre and waits until Wine has it there
    cf_mouse_move $((x + $1)) $((y + $2)) || cf_fail "cannot move the pointer"
    cf_probe 30 cursor $((x + $1)) $((y + $2)) 20000 >/dev/null ||
        cf_fail "the pointer did not reach ($1, $2) from the centre"
}

expect_running() { # expect_running NAME WHAT
    if cf_poll 3 cf__job_ended "$1" 2>/dev/null; then
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
    cf_start_saver "button-$button"
    cf_close_saver "button-$button" click "$button"
done

cf_start_saver wheel
cf_click 4 && cf_click 5 && cf_click 4 || cf_fail "cannot turn the wheel"
expect_running wheel "turning the wheel"
move_by 0 5
expect_closed wheel "moving 5 pixels down"

cf_start_saver travel-4
move_by 2 0
move_by 2 2
expect_running travel-4 "2 right and 2 down"
move_by 3 2
expect_closed travel-4 "one pixel more, travel 5"
