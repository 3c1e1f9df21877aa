#!/usr/bin/env bash
# On a 256-colour display the saver paints through its stage palette. A demo-shaped animation
# (masked 24-bit sprites over an 8-bit background with a palette of its own), held at one frame,
# is bundled into the saver and shown full screen on an 8-bit PseudoColor display. The saver's
# window must come close to "cinefold render" of the same frame (a mean error per channel that
# 256 colours allow), and a good share of it must be in colours of the stage palette's cube,
# which the system palette holds only while the saver has realised that palette.
#
# Two things of Wine's X11 driver shape the test (README.md has the details). Wine gives its
# windows a colormap of its own, which nothing installs without a window manager, so a
# screenshot of the root window reads the saver's pixels through the server's default colormap:
# the window is read with its own colormap instead. And Wine's window surfaces (its default
# client-side graphics) show an 8-bit window in the 20 static system colours only, whatever
# palette is realised, so this saver runs with ClientSideGraphics off, for its file name alone.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 640x480x8 "$@"
cf_tools make_bundled_saver.exe
frame=120
largest_error=24    # mean absolute error per channel, of 255; measured 16
least_cube_share=20 # per cent of the pixels; measured 35, and 1 without the stage palette
saver=$CF_TMP/palette8.scr
driver_key="HKCU\\Software\\Wine\\AppDefaults\\$(basename "$saver")\\X11 Driver"

cf_run 120 "$CF_TOOLS/make_bundled_saver.exe" "$CF_SAVER" "$saver" demo "$frame" 1 >&2 ||
    cf_fail "bundling the animation held at frame $frame failed"
cf_render "$CF_TMP/rendered.png" "$saver" --frame "$frame" --screen "${CF_SCREEN_WIDTH}x$CF_SCREEN_HEIGHT"
cf_run 60 reg add "$driver_key" /v ClientSideGraphics /t REG_SZ /d N /f >/dev/null 2>&1 ||
    cf_fail "cannot turn client-side graphics off for $(basename "$saver")"

# close_to_render XID: reads the window through its colormap; status 0 when the picture is close
# to the rendered frame and enough of it is in colours of the stage palette's cube (red in steps
# of 32, green in steps of 16 from 16 to 224, blue 0 or 128). FIGURES tells what was seen.
close_to_render() {
    local error cube_pixels
    timeout 20 import -window "$1" "$CF_TMP/shown.png" 2>/dev/null || return 1
    error=$(compare -metric MAE "$CF_TMP/shown.png" "$CF_TMP/rendered.png" null: 2>&1)
    [[ $error =~ \(([0-9.e-]+)\) ]] || return 1
    error=$(awk -v e="${BASH_REMATCH[1]}" 'BEGIN { printf "%.1f", e * 255 }')
    cube_pixels=$(timeout 20 convert "$CF_TMP/shown.png" -format %c histogram:info: | awk '
        match($0, /\( *[0-9]+, *[0-9]+, *[0-9]+/) {
            split(substr($0, RSTART + 1, RLENGTH - 1), c, ",")
            if (c[1] % 32 == 0 && c[2] % 16 == 0 && c[2] >= 16 && c[2] <= 224 &&
                (c[3] == 0 || c[3] == 128)) sum += $1 + 0
        }
        END { print sum + 0 }')
    CUBE_SHARE=$((cube_pixels * 100 / (CF_SCREEN_WIDTH * CF_SCREEN_HEIGHT)))
    FIGURES="mean error $error of 255, $CUBE_SHARE % in the stage palette's cube"
    awk -v e="$error" -v m="$largest_error" 'BEGIN { exit !(e <= m) }' &&
        ((CUBE_SHARE >= least_cube_share))
}

cf_start_saver saver "$saver"
if ! cf_poll 60 close_to_render "$CF_SAVER_XID"; then
    cp -- "$CF_TMP/shown.png" "$CF_TMP/rendered.png" "$CF_ARTIFACTS/"
    cf_fail "the 8-bit screen is not the rendered frame: ${FIGURES:-no picture}"
fi
cf_log "ok: $FIGURES"
cf_close_saver saver
cf_run 60 reg delete "$driver_key" /f >/dev/null 2>&1 ||
    cf_log "could not remove the driver setting of $(basename "$saver")"
