#!/usr/bin/env bash
# The running saver shows exactly what "cinefold render" draws. A demo-shaped animation (48
# masked sprites moving on curves and lines, stepping through cel groups, mirrored by every flip
# code, over an 8-bit background) is bundled into the saver with a jump table that goes to a
# chosen frame at the first tick and stays there. Screenshots of a series of frames, at 1:1 and
# stretched, and of the preview must equal the tool's pictures of the same frames of the same
# bundled files, pixel for pixel. The screenshots stay in wine-figures/saver-frames/.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 1024x768x24 "$@"
cf_tools make_bundled_saver.exe preview_host.exe
figures=$CF_BUILD_DIR/wine-figures/saver-frames
mkdir -p -- "$figures"
screen=${CF_SCREEN_WIDTH}x$CF_SCREEN_HEIGHT

# show NAME PROGRAM FRAME RENDER_ARG...: bundles the animation held at FRAME, at a period of a
# tenth of a second, into a copy of PROGRAM, BUNDLED, and renders that frame of it.
show() {
    local name=$1 program=$2 frame=$3
    shift 3
    BUNDLED=$CF_TMP/$name.${program##*.}
    cf_run 120 "$CF_TOOLS/make_bundled_saver.exe" "$program" "$BUNDLED" demo "$frame" 1 >&2 ||
        cf_fail "bundling the animation held at frame $frame into $name failed"
    cf_render "$CF_TMP/$name.png" "$BUNDLED" --frame "$frame" "$@"
}

# seen NAME [GEOMETRY]: waits until the screen shows the rendered picture, and keeps it.
seen() {
    cf_wait_picture "$1" root "$CF_TMP/$1.png" "${2:-$screen+0+0}"
    cp -- "$CF_TMP/shot.png" "$figures/$1.png"
}

# A series at 1:1: sprites move, step through their cels and are mirrored; then stretched.
for row in "0 0" "40 0" "80 0" "120 0" "200 1"; do
    read -r frame stretch <<<"$row"
    name=frame-$frame render=(--screen "$screen")
    ((stretch)) && name+=-stretched render+=(--stretch)
    show "$name" "$CF_SAVER" "$frame" "${render[@]}"
    cf_store_stretch "$stretch"
    cf_start_saver "$name" "$BUNDLED"
    seen "$name"
    cf_close_saver "$name"
done

# The preview of frame 300 in a 152 x 112 window at (100, 100), whatever the option says.
show preview-300 "$CF_TOOLS/preview_host.exe" 300 --preview 152x112
cf_start preview "$BUNDLED" 100 100 152 112
cf_wait_window CinefoldPreviewHost "Preview host" "" preview || cf_fail "the preview host did not show"
seen preview-300 152x112+100+100
cf_probe 30 post CinefoldPreviewHost "Preview host" WM_CLOSE >/dev/null ||
    cf_fail "cannot close the preview host"
cf_wait_exit preview 60 || cf_fail "the preview did not end"
cf_expect_eq "$CF_EXIT" 0 "preview exit code"
cf_forget_settings
