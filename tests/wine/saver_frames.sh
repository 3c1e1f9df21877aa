#!/usr/bin/env bash
# The running saver shows exactly what "cinefold render" draws. A demo-shaped animation (48
# masked sprites moving on curves and lines, stepping through cel groups, mirrored by every flip
# code, over an 8-bit background) is bundled into the saver with a jump table that goes to a
# chosen frame at the first tick and stays there. Screenshots of a series of frames, at 1:1 and
# stretched, and of the preview must equal the tool's pictures of the same frames of the same
# bundled files, pixel for pixel. The screenshots stay in wine-figures/saver-frames/.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 1024x768x24 "$@"
[[ -n $CF_SAVER ]] || cf_fail "no saver given (--saver)"
[[ -x ${CINEFOLD_TOOL:-} ]] || cf_fail "the native cinefold tool is not built ('${CINEFOLD_TOOL:-}')"
cf_tools make_bundled_saver.exe preview_host.exe
command -v compare >/dev/null || cf_fail "missing tool: compare"
figures=$CF_BUILD_DIR/wine-figures/saver-frames
mkdir -p -- "$figures"
settings_key='HKCU\Software\Quillmark\CinefoldScreenSaver'
period=1 # tenths of a second

# bundle PROGRAM OUT FRAME: PROGRAM carrying the animation held at FRAME.
bundle() {
    cf_run 120 "$CF_TOOLS/make_bundled_saver.exe" "$1" "$2" demo "$3" "$period" >&2 ||
        cf_fail "bundling the animation held at frame $3 into $(basename "$2") failed"
}

# render FILE OUT ARG...: the tool's picture of FILE.
render() {
    local file=$1 out=$2
    shift 2
    "$CINEFOLD_TOOL" render "$file" "$@" -o "$out" ||
        cf_fail "cinefold render $(basename "$file") $* failed"
}

# same_as EXPECTED GEOMETRY: a screenshot whose GEOMETRY (WxH+X+Y) equals the PNG EXPECTED.
same_as() {
    cf_screenshot "$CF_TMP/screen.png" || return 1
    convert "$CF_TMP/screen.png" -crop "$2" +repage -alpha off "PNG24:$CF_TMP/shown.png" ||
        return 1
    CF_DIFFERENT=$(compare -metric AE "$CF_TMP/shown.png" "$1" null: 2>&1)
    [[ $CF_DIFFERENT == 0 ]]
}

# wait_for NAME EXPECTED GEOMETRY: waits until the screen shows the picture, and keeps it.
wait_for() {
    CF_DIFFERENT=
    if ! cf_poll 60 same_as "$2" "$3"; then
        cp -- "$CF_TMP/shown.png" "$CF_ARTIFACTS/$1-shown.png"
        cp -- "$2" "$CF_ARTIFACTS/$1-rendered.png"
        cf_fail "$1: the screen differs from cinefold render in ${CF_DIFFERENT:-every} pixels"
    fi
    cp -- "$CF_TMP/shown.png" "$figures/$1.png"
    cf_log "ok: $1 equals cinefold render"
}

# full_screen FRAME [stretched]: the saver at FRAME, full screen, at 1:1 or stretched.
full_screen() {
    local name="frame-$1${2:+-$2}" saver="$CF_TMP/frame-$1.scr" xid
    bundle "$CF_SAVER" "$saver" "$1"
    render "$saver" "$CF_TMP/$name.png" --frame "$1" --screen "${CF_SCREEN_WIDTH}x$CF_SCREEN_HEIGHT" \
        ${2:+--stretch}
    if [[ -n ${2:-} ]]; then cf_store_stretch 1; else cf_store_stretch 0; fi
    cf_mouse_move $((CF_SCREEN_WIDTH / 2)) $((CF_SCREEN_HEIGHT / 2)) ||
        cf_fail "cannot move the pointer"
    cf_start "$name" "$saver" /s
    cf_wait_window WindowsScreenSaverClass "Screen Saver" || cf_fail "$name: no saver window"
    wait_for "$name" "$CF_TMP/$name.png" "${CF_SCREEN_WIDTH}x$CF_SCREEN_HEIGHT+0+0"
    xid=$(cf_x_window "Screen Saver") || cf_fail "$name: no X window for the saver"
    cf_close_with "$name" "$xid" 60 key space || cf_fail "$name: the saver did not close"
    cf_expect_eq "$CF_EXIT" 0 "$name: exit code"
}

# A series at 1:1: sprites move, step through their cels and are mirrored.
for frame in 0 40 80 120; do
    full_screen "$frame"
done
full_screen 200 stretched

# The preview of frame 300 in a 152 x 112 window at (100, 100), whatever the option says.
host="$CF_TMP/preview_host.exe"
bundle "$CF_TOOLS/preview_host.exe" "$host" 300
render "$host" "$CF_TMP/preview.png" --frame 300 --preview 152x112
cf_start preview "$host" 100 100 152 112
cf_wait_window CinefoldPreviewHost "Preview host" || cf_fail "the preview host did not show"
wait_for preview-300 "$CF_TMP/preview.png" 152x112+100+100
cf_probe 30 post CinefoldPreviewHost "Preview host" WM_CLOSE >/dev/null ||
    cf_fail "cannot close the preview host"
cf_wait_exit preview 60 || cf_fail "the preview did not end"
cf_expect_eq "$CF_EXIT" 0 "preview exit code"
cf_run 60 reg delete "$settings_key" /f >/dev/null 2>&1
