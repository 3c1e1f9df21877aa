#!/usr/bin/env bash
# The saver as the build ships it, cinefold.scr with the demo animation in it, plays the demo
# full screen: two screenshots taken a second or more apart each equal "cinefold render" of some
# frame of the demo, and the two frames differ. The demo ticks every 100 ms from frame 0, so the
# frame a screenshot catches is not known beforehand: every frame the test's time allows is
# rendered once, and each screenshot is looked up among them by a hash of its raw RGB pixels.
# A screenshot taken while a paint was under way matches no frame, and the next one is taken.
# The 640 x 480 stage fills the 640 x 480 screen, stretched or not.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 640x480x24 "$@"
last_frame=150 # 15 s of the demo: far more than the test waits for its two screenshots
screen_size=${CF_SCREEN_WIDTH}x$CF_SCREEN_HEIGHT
frame_bytes=$((CF_SCREEN_WIDTH * CF_SCREEN_HEIGHT * 3))

cf_render "$CF_TMP/frame.png" "$CF_SAVER" --frames "0:$last_frame" --screen "$screen_size"
# One convert for all the frames, cut into one picture each, in frame order.
declare -A frames_with=() # hash -> the frames that look so (a still part may repeat a picture)
frame=0
while read -r hash _; do
    frames_with[$hash]+="${frames_with[$hash]:+,}$frame"
    ((++frame))
done < <(timeout 120 convert "$CF_TMP"/frame-*.png -alpha off -depth 8 rgb:- |
    split -b "$frame_bytes" --filter=sha1sum)
((frame == last_frame + 1)) || cf_fail "hashed $frame rendered frames, expected $((last_frame + 1))"
cf_log "rendered frames 0 to $last_frame: ${#frames_with[@]} different pictures"

# caught: takes a screenshot; status 0 when it equals a rendered frame, with the frames in
# CAUGHT_FRAMES and the SHA-1 of its pixels as 8-bit RGB in CAUGHT_HASH.
caught() {
    cf_screenshot "$CF_TMP/screen.png" || return 1
    CAUGHT_HASH=$(timeout 20 convert "$CF_TMP/screen.png" -depth 8 rgb:- | sha1sum) || return 1
    CAUGHT_HASH=${CAUGHT_HASH%% *}
    CAUGHT_FRAMES=${frames_with[$CAUGHT_HASH]:-}
    [[ -n $CAUGHT_FRAMES ]]
}

# A second screenshot counts once a second has passed since the first and it shows another frame.
caught_later() {
    cf__now_ms
    ((CF_NOW_MS - first_at >= 1000)) && caught && [[ $CAUGHT_HASH != "$first_hash" ]]
}

cf_start_saver saver
cf_poll 30 caught || cf_fail "no screenshot equals a frame of the demo from 0 to $last_frame"
cf__now_ms
first_at=$CF_NOW_MS first_hash=$CAUGHT_HASH first_frames=$CAUGHT_FRAMES
cf_log "ok: the first screenshot is frame $first_frames"
cf_poll 30 caught_later ||
    cf_fail "no later screenshot equals another frame of the demo from 0 to $last_frame"
cf_log "ok: the second screenshot is frame $CAUGHT_FRAMES"

cf_close_saver saver
