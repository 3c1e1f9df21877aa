#!/usr/bin/env bash
# cinefold-saver on an X display: in a window handed to it (by --window-id or, as xsecurelock
# does, by $XSCREENSAVER_WINDOW) and on the root window, at 1:1, stretched and as a preview, it
# shows exactly what "cinefold render" draws of the same frame; SIGTERM ends it at once with exit
# 0; it follows its window's size, and ends quietly when the window is destroyed under it; a
# file that holds no animation still plays (the demo), with one line on stderr.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
xt_begin --screen 640x480x24 "$@"
held=$XT_TMP/held.cfc
frame=12
xt_held_animation "$held" "$frame"

# window NAME WxH: a test window of that size; sets WINDOW to its id.
window() {
    xt_start_piped "$1" "$XT_WINDOW_PROGRAM" "${2%x*}" "${2#*x}"
    WINDOW=$(xt_line "$1" '^window [0-9]+$') || xt_fail "$1: no test window"
    WINDOW=${WINDOW#window }
}

# ask NAME COMMAND: a command to the test window, once it has been carried out.
ask() {
    xt_send "$1" "$2"
    xt_poll "$XT_WAIT_LIMIT" eval "(( \$(grep -c '^ok' '$XT_ARTIFACTS/$1.out') == ${3:-1} ))" ||
        xt_fail "$1: the test window did not carry out '$2'"
}

# terminate NAME: SIGTERM ends the saver within half a second, with exit code 0.
terminate() {
    kill -TERM "${XT_PID[$1]}"
    xt_wait_exit "$1" 0.5 || xt_fail "$1: still running half a second after SIGTERM"
    xt_expect_eq "$XT_EXIT" 0 "$1: exit code after SIGTERM"
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
    xt_render "$XT_TMP/$name.png" "$held" --frame "$frame" $expected
    xt_start "$name" env "${environment[@]}" "$XT_SAVER" "${arguments[@]}"
    xt_wait_picture "$name" "$WINDOW" "$XT_TMP/$name.png"
    if [[ $name == window ]]; then
        # Larger, then smaller than half the screen, which makes it a preview.
        ask window-window "resize 500 400"
        xt_render "$XT_TMP/larger.png" "$held" --frame "$frame" --screen 500x400
        xt_wait_picture "$name-larger" "$WINDOW" "$XT_TMP/larger.png"
        ask window-window "resize 300 200" 2
        xt_render "$XT_TMP/smaller.png" "$held" --frame "$frame" --screen 640x480 --preview 300x200
        xt_wait_picture "$name-smaller" "$WINDOW" "$XT_TMP/smaller.png"
        ask window-window destroy 3
        xt_wait_exit "$name" || xt_fail "$name: still running after its window was destroyed"
        xt_expect_eq "$XT_EXIT" 0 "$name: exit code after its window was destroyed"
    else
        terminate "$name"
    fi
done

# Not an animation: the demo plays, and stderr has one line that names the file.
window bad-window 400x300
xt_start bad "$XT_SAVER" --file "$XT_TMP/project/project.json" --window-id "$WINDOW"
xt_poll "$XT_WAIT_LIMIT" eval "[[ -s '$XT_ARTIFACTS/bad.err' ]]" || xt_fail "bad: nothing on stderr"
colours() { xt_screenshot "$XT_TMP/bad.png" "$WINDOW" && convert "$XT_TMP/bad.png" -format %k info:; }
xt_poll "$XT_WAIT_LIMIT" eval '(( $(colours) > 50 ))' || xt_fail "bad: the demo does not show"
xt_expect_eq "$(wc -l <"$XT_ARTIFACTS/bad.err")" 1 "bad: lines on stderr"
grep -q 'project.json' "$XT_ARTIFACTS/bad.err" || xt_fail "bad: stderr does not name the file"
terminate bad
