#!/usr/bin/env bash
# cinefold-saver on an X display: in a window handed to it (by --window-id or, as xsecurelock
# does, by $XSCREENSAVER_WINDOW) and on the root window, at 1:1, stretched and as a preview, it
# shows exactly what "cinefold render" draws of the same frame; SIGTERM ends it at once with exit
# 0, also while it simulates ticks; it follows its window's size, and ends quietly when the
# window is destroyed under it; a file that holds no animation still plays (the demo), with one
# line on stderr.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 640x480x24 "$@"
held=$CF_TMP/held.cfc
frame=12
cf_held_animation "$held" "$frame"

# window NAME WxH: a test window of that size; sets WINDOW to its id.
window() {
    cf_job "$1" "$CF_WINDOW_PROGRAM" "${2%x*}" "${2#*x}"
    cf_poll "$CF_WAIT_LIMIT" grep -q '^window ' "$CF_ARTIFACTS/$1.out" || cf_fail "$1: no test window"
    WINDOW=$(sed -n 's/^window //p' "$CF_ARTIFACTS/$1.out")
}

# terminate NAME: SIGTERM ends the saver, with exit code 0. The limit is generous, since a loaded
# machine may delay any process; a saver that missed the signal would play on until it.
terminate() {
    kill -TERM "${CF_JOB_PID[$1]}"
    cf_wait_exit "$1" 10 || cf_fail "$1: still running 10 s after SIGTERM"
    cf_expect_eq "$CF_EXIT" 0 "$1: exit code after SIGTERM"
}

# The root window comes first, while no test window covers it.
# NAME            TARGET   HOW   STRETCH  RENDER ARGUMENTS
cases=(
    "root-stretch   root     root  stretch  --screen 640x480 --stretch"
    "window         400x300  id    -        --screen 400x300"
    "window-stretch 400x300  id    stretch  --screen 400x300 --stretch"
    "preview        200x150  env   stretch  --screen 640x480 --preview 200x150"
)
for row in "${cases[@]}"; do
    read -r name target how stretch expected <<<"$row"
    arguments=(--file "$held")
    [[ $stretch == stretch ]] && arguments+=(--stretch)
    environment=()
    case $how in
    root) WINDOW=root; arguments+=(--root) ;;
    id) window "$name-window" "$target" && arguments+=(--window-id "$WINDOW") ;;
    # XScreenSaver writes the id in hexadecimal.
    env) window "$name-window" "$target" &&
        environment+=("XSCREENSAVER_WINDOW=$(printf '0x%x' "$WINDOW")") ;;
    esac
    # shellcheck disable=SC2086 # the render arguments are words
    cf_render "$CF_TMP/$name.png" "$held" --frame "$frame" $expected
    cf_job "$name" env "${environment[@]}" "$CF_SAVER" "${arguments[@]}"
    cf_wait_picture "$name" "$WINDOW" "$CF_TMP/$name.png"
    if [[ $name == window ]]; then
        # Larger, then smaller than half the screen, which makes it a preview.
        xdotool windowsize "$WINDOW" 500 400 || cf_fail "cannot resize the window"
        cf_render "$CF_TMP/larger.png" "$held" --frame "$frame" --screen 500x400
        cf_wait_picture "$name-larger" "$WINDOW" "$CF_TMP/larger.png"
        xdotool windowsize "$WINDOW" 300 200 || cf_fail "cannot resize the window"
        cf_render "$CF_TMP/smaller.png" "$held" --frame "$frame" --screen 640x480 --preview 300x200
        cf_wait_picture "$name-smaller" "$WINDOW" "$CF_TMP/smaller.png"
        xdotool windowkill "$WINDOW" || cf_fail "cannot destroy the window"
        cf_wait_exit "$name" || cf_fail "$name: still running after its window was destroyed"
        cf_expect_eq "$CF_EXIT" 0 "$name: exit code after its window was destroyed"
    else
        terminate "$name"
    fi
done

# Simulated ticks, as many as a count can say, still end at SIGTERM.
window ticks-window 200x150
cf_job ticks "$CF_SAVER" --file "$held" --window-id "$WINDOW" --simulate-ticks 9223372036854775807
cf_poll "$CF_WAIT_LIMIT" grep -q '^resident at start' "$CF_ARTIFACTS/ticks.out" ||
    cf_fail "ticks: the simulation did not start"
terminate ticks

# Not an animation: the demo plays, and stderr has one line that names the file.
window bad-window 400x300
cf_job bad "$CF_SAVER" --file "$CF_TMP/project/project.json" --window-id "$WINDOW"
cf_poll "$CF_WAIT_LIMIT" test -s "$CF_ARTIFACTS/bad.err" || cf_fail "bad: nothing on stderr"
colours() { cf_screenshot "$CF_TMP/bad.png" "$WINDOW" && convert "$CF_TMP/bad.png" -format %k info:; }
cf_poll "$CF_WAIT_LIMIT" eval '(( $(colours) > 50 ))' || cf_fail "bad: the demo does not show"
cf_expect_eq "$(wc -l <"$CF_ARTIFACTS/bad.err")" 1 "bad: lines on stderr"
grep -q 'project.json' "$CF_ARTIFACTS/bad.err" || cf_fail "bad: stderr does not name the file"
terminate bad
