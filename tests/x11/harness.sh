# shellcheck shell=bash
# The X11 test harness. A test script sources this file and calls cf_begin "$@" first; the
# harness then starts a private Xvfb display and stops everything the test starts, by process
# id, on any exit (see ../harness-common.sh).

source "$(dirname "${BASH_SOURCE[0]}")/../harness-common.sh"
CF_KIND=x11 CF_POLL_INTERVAL=0.05 CF_WAIT_LIMIT=30 CF_SCREEN=640x480x24 CF_TEST_LIMIT=120

cf_begin() {
    cf__options "$@"
    cf__setup
    cf__start_xvfb
    cf_log "display $DISPLAY ($CF_SCREEN), limit $CF_TEST_LIMIT s"
}

# cf_held_animation OUT FRAME [PERIOD]: a small animation packed by the tool into the container
# OUT: a sprite moving over a background, with jumps that go from frame 0 to FRAME (1 to 19) at
# the first tick and hold it there, so that a picture of the running saver can be compared with
# the tool's picture of that frame. PERIOD is the frame period in tenths of a second (1).
cf_held_animation() {
    local dir=$CF_TMP/project
    mkdir -p -- "$dir" &&
        convert -size 120x80 gradient:'#306090'-'#90c060' -depth 8 "PNG24:$dir/sea.png" &&
        convert -size 30x20 xc:none -fill '#f0c020' -draw 'ellipse 15,10 14,9 0,360' -depth 8 \
            "PNG32:$dir/fish.png" || cf_fail "cannot draw the animation's pictures"
    cat >"$dir/project.json" <<JSON
{"stage": {"width": 150, "height": 100, "backColor": "#203040", "framePeriod": ${3:-1}},
 "images": [{"image": 1, "file": "fish.png"}, {"image": 100, "file": "sea.png"}],
 "background": [{"frame": 0, "image": 100, "interpolation": "linear"},
                {"frame": 20, "image": 100}],
 "layers": [{"layer": 1, "keys": [
     {"frame": 0, "image": 1, "centre": [20, 20], "interpolation": "linear"},
     {"frame": 20, "image": 1, "centre": [130, 80]}]}],
 "jumps": [{"frame": 0, "to": $2}, {"frame": $2, "to": $2}]}
JSON
    "$CF_CINEFOLD" pack "$dir/project.json" -o "$1" >/dev/null || cf_fail "cinefold pack failed"
}
