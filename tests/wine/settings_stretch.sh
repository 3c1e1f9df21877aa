#!/usr/bin/env bash
# The stored option reaches the full-screen saver: with "StageSize" = "1" a 320 x 200 stage is
# stretched by whole tenths to fill the 800 x 600 screen as far as its shape allows (2.5 times:
# 800 x 500 at (0, 50)); with "0" it stays centred at its own size. A screenshot of the
# stretched stage is kept beside the dialog's.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 800x600x24 "$@"
[[ -n $CF_SAVER ]] || cf_fail "no saver given (--saver)"
cf_tools make_bundled_saver.exe settings_probe.exe
key='Software\Quillmark\CinefoldScreenSaver'
settings() { cf_tool 60 settings_probe.exe "$@"; }

bundled="$CF_TMP/cinefold.scr"
cf_run 60 "$CF_TOOLS/make_bundled_saver.exe" "$CF_SAVER" "$bundled" 320 200 0000C0FF >&2 ||
    cf_fail "bundling failed"

# show_stage NAME: runs the saver until the checks pass, then closes it with a click.
show_stage() {
    local name=$1
    shift
    cf_mouse_move 400 300 || cf_fail "cannot move the pointer"
    cf_start "$name" "$bundled" /s
    cf_wait_window WindowsScreenSaverClass "Screen Saver" || cf_fail "$name: no saver window"
    cf_wait_pixels 60 "$@" || cf_fail "$name: the stage is not where it should be"
}
close_stage() {
    local xid
    xid=$(cf_x_window "Screen Saver") || cf_fail "$1: no X window for the saver"
    cf_close_with "$1" "$xid" 60 click 1 || cf_fail "$1: the saver did not close"
    cf_expect_eq "$CF_EXIT" 0 "$1: exit code"
}

settings set "$key" StageSize 1 31 || cf_fail "cannot store StageSize"
show_stage stretched "0,50=FFC000" "799,50=FFC000" "0,549=FFC000" "799,549=FFC000" \
    "400,300=FFC000" "0,49=000000" "799,550=000000" "400,0=000000" "400,599=000000"
mkdir -p -- "$CF_BUILD_DIR/wine-figures"
cf_screenshot "$CF_BUILD_DIR/wine-figures/stretched-stage.png" || cf_fail "no screenshot"
close_stage stretched

settings set "$key" StageSize 1 30 || cf_fail "cannot store StageSize"
show_stage centred "240,200=FFC000" "559,399=FFC000" "239,200=000000" "560,399=000000" \
    "240,199=000000" "559,400=000000"
close_stage centred
settings delete "$key" || cf_fail "cannot remove the settings key"
