#!/usr/bin/env bash
# A long run of presents that send only what each frame changed ends on the picture of a whole
# present: cinefold-saver simulates a thousand ticks of the demo (past its last frame and round
# again) into a window, presenting every frame as the running saver does, and the window then
# shows exactly what "cinefold render" draws of the frame those ticks lead to. A pixel that the
# damage missed at any frame of the run would have stayed on the window. Stretched by a factor
# that is not whole, and at 1:1 in a window smaller than the stage.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 1024x768x24 "$@"
demo=$CF_BUILD_DIR/demo/demo.cfc
ticks=1000
[[ -f $demo ]] || cf_fail "the demo's container is not built ('$demo')"
# The simulation's clock starts at 0 and ticks first one period (100 ms) later.
frame=$("$CF_CINEFOLD" sequence "$demo" --ticks "$ticks" --clock 100 | tail -n 1)
[[ $frame =~ ^[0-9]+$ ]] || cf_fail "cinefold sequence gave no frame"
cf_log "$ticks ticks lead to frame $frame"

for row in "stretched 1000x700 --stretch" "cropped 600x400"; do
    read -r name size stretch <<<"$row"
    cf_job "$name-window" "$CF_WINDOW_PROGRAM" "${size%x*}" "${size#*x}"
    cf_poll "$CF_WAIT_LIMIT" grep -q '^window ' "$CF_ARTIFACTS/$name-window.out" ||
        cf_fail "$name: no test window"
    window=$(sed -n 's/^window //p' "$CF_ARTIFACTS/$name-window.out")
    cf_job "$name" "$CF_SAVER" --file "$demo" --window-id "$window" $stretch \
        --simulate-ticks "$ticks"
    cf_wait_exit "$name" 60 || cf_fail "$name: the simulation did not end"
    cf_expect_eq "$CF_EXIT" 0 "$name: exit code"
    cf_render "$CF_TMP/$name.png" "$demo" --frame "$frame" --screen "$size" $stretch
    cf_wait_picture "$name" "$window" "$CF_TMP/$name.png"
done
