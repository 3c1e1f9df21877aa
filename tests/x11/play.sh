#!/usr/bin/env bash
# cinefold play: its window, titled after the file, stands for the screen: resized, it shows
# exactly what "cinefold render --screen WxH" draws of the frame, the s key switches to the
# stretched picture, and while space pauses, Right and Left step a frame on and back; q and
# Escape quit with exit 0. Without a file it plays the demo. A file that holds no animation, or
# no display, ends it with exit 1 and one line that says why.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 640x480x24 "$@"
# An hour a frame: frame 0 stays until a key steps to the next, which jumps to frame 15.
held=$CF_TMP/held.cfc
frame=15
cf_held_animation "$held" "$frame" 36000

# play_window NAME TITLE ARG...: starts cinefold play and sets WINDOW to its mapped window.
play_window() {
    local name=$1 title=$2
    shift 2
    cf_job "$name" "$CF_CINEFOLD" play "$@"
    WINDOW=$(cf_x_window "$title") || cf_fail "$name: no window titled '$title'"
}

# key KEY: a key press sent to the window (xdotool's notes on the focus go to the artifacts).
key() { xdotool keydown --window "$WINDOW" "$1" 2>>"$CF_ARTIFACTS/xdotool.err"; }

# quit NAME KEY: the key ends the program with exit code 0.
quit() {
    key "$2" || cf_fail "$1: xdotool cannot send $2"
    cf_wait_exit "$1" || cf_fail "$1: still running after $2"
    cf_expect_eq "$CF_EXIT" 0 "$1: exit code after $2"
}

# expect NAME FRAME [--stretch]: the window shows that frame on a 400x300 screen.
expect() {
    cf_render "$CF_TMP/$1.png" "$held" --frame "$2" --screen 400x300 ${3:-}
    cf_wait_picture "$1" "$WINDOW" "$CF_TMP/$1.png"
}

play_window held "Cinefold — held.cfc" "$held"
xdotool windowsize "$WINDOW" 400 300 || cf_fail "cannot resize the window"
expect resized 0
key s; expect stretched 0 --stretch
key space; key Right; expect stepped-on "$frame" --stretch
key Left; expect stepped-back 0 --stretch
quit held q

play_window demo "Cinefold — demo"
quit demo Escape

# NAME        DISPLAY      FILE                     WHAT STDERR SAYS
failures=(
    "bad-file   $DISPLAY     $CF_TMP/project/sea.png  sea.png: offset 0: "
    "no-display -            $held                    needs an X display"
)
for row in "${failures[@]}"; do
    read -r name display file message <<<"$row"
    [[ $display == - ]] && display=
    DISPLAY=$display timeout 30 "$CF_CINEFOLD" play "$file" 2>"$CF_TMP/$name.err"
    cf_expect_eq "$?" 1 "$name: exit code"
    cf_expect_eq "$(wc -l <"$CF_TMP/$name.err")" 1 "$name: lines on stderr"
    grep -qF -- "$message" "$CF_TMP/$name.err" || cf_fail "$name: stderr says $(<"$CF_TMP/$name.err")"
done
