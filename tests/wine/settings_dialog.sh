#!/usr/bin/env bash
# The configuration modes as a user sees them: "/c", "-c" and an empty command line show
# dialog 101 centred on the screen, with its caption, icon, About text, check box and OK
# button; the box shows the stored option; OK stores "StageSize" as a REG_SZ text, "1"
# ticked and "0" clear; Escape stores nothing; every run ends with exit code -1 (255) once
# the dialog has closed. The first read creates the settings key without a value, and values
# set by hand read by their first character only (data of size 0 counts as absent). A saver
# bundled with the author's title and credit lists the title as its string 1 (wrestool reads
# it) and shows both in the dialog.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 1024x768x24 "$@"

caption="Quillmark Cinefold ScreenSaver"
figures="$CF_BUILD_DIR/wine-figures"

settings() { cf_probe 60 "$@"; }

# control ID: CTL[FIELD] is each field of the probe's line for control ID (or for the dialog
# itself, ID "window") in the last "controls" output, $controls. Control texts hold no tabs.
declare -A CTL
control() {
    local line field fields
    if [[ $1 == window ]]; then line=$(head -n 1 <<<"$controls"); else
        line=$(grep -P "^id=$1\t" <<<"$controls" | head -n 1); fi
    [[ -n $line ]] || cf_fail "no control $1"
    CTL=()
    IFS=$'\t' read -ra fields <<<"$line"
    for field in "${fields[@]}"; do CTL[${field%%=*}]=${field#*=}; done
}

# read_controls: the dialog's controls, in $controls.
read_controls() { controls=$(settings controls "#32770" "$caption"); }

# open_dialog NAME ARG...: starts the saver ($saver) and waits for its dialog, titled
# $caption; sets $controls and the dialog's X window in $dialog_xid.
saver=$CF_SAVER
open_dialog() {
    local name=$1
    shift
    cf_start "$name" "$saver" "$@"
    cf_wait_window "#32770" "$caption" "" "$name" || cf_fail "$name: dialog 101 did not appear"
    cf_poll 30 read_controls || cf_fail "$name: cannot read the dialog"
    dialog_xid=$(cf_x_window "$caption") || cf_fail "$name: no X window for the dialog"
}

box_state() {
    control 1000
    printf '%s\n' "${CTL[check]}"
}

# Clicks the middle of the check box, as a user would, until the box shows WANTED.
set_box() {
    local l t r b
    control 1000
    IFS=, read -r l t r b <<<"${CTL[rect]}"
    cf_poll 30 click_box_until "$1" $(((l + r) / 2)) $(((t + b) / 2)) ||
        cf_fail "the check box did not become $1"
}
click_box_until() {
    read_controls && [[ $(box_state) == "$1" ]] && return 0
    cf_focus "$dialog_xid" 2>/dev/null
    cf_mouse_move "$2" "$3" && cf_click 1
    read_controls && [[ $(box_state) == "$1" ]]
}

# close_dialog NAME KEY: presses KEY in the dialog until the saver has ended; expects -1.
close_dialog() {
    cf_close_with "$1" "$dialog_xid" 60 key "$2" || cf_fail "$1: the dialog did not close on $2"
    cf_expect_eq "$CF_EXIT" 255 "$1: exit code after the dialog closed"
}

stored() { settings get "$CF_SETTINGS_KEY" StageSize; }

# Wine leaves window frames to a window manager, and the test display has none; told so, it
# draws the dialog's caption itself, so that the screenshot shows the dialog whole.
settings delete "$CF_APP_KEY" || cf_fail "cannot reset the saver's Wine settings"
settings set "$CF_APP_KEY\X11 Driver" Decorated 1 4e00 || cf_fail "cannot ask Wine for frames"

# The saver's OK stores the one-character text with its terminating zero, as a REG_SZ value
# should be. (Wine, like the NT family, would add the zero to a text written without it, so the
# stored value cannot show whether the saver counted it.)
text_with_zero() { printf 'type=1 size=2 data=%s00\n' "$1"; }

# --- the first start, "/c" ----------------------------------------------------------------------
settings delete "$CF_SETTINGS_KEY" || cf_fail "cannot remove the settings key"
cf_expect_eq "$(stored)" "key=absent" "settings before the first start"
open_dialog first /c
cf_expect_eq "$(stored)" "value=absent" "settings once the dialog has read them (key, no value)"

control window
cf_log "dialog: $(head -n 1 <<<"$controls")"
IFS=, read -r left top right bottom <<<"${CTL[rect]}"
width=$((right - left)) height=$((bottom - top))
cf_expect_eq "$left,$top" "$(((CF_SCREEN_WIDTH - width) / 2)),$(((CF_SCREEN_HEIGHT - height) / 2))" \
    "dialog position for its ${width}x$height size"
cf_expect_eq "${CTL[title]}" "$caption" "caption"
style=$((CTL[style]))
cf_expect_eq "$(((style & 0x80C00080) == 0x80C00080))" 1 "WS_POPUP, WS_CAPTION and DS_MODALFRAME"
cf_expect_eq "$((style & 0x00080000))" 0 "WS_SYSMENU (no close box)"

cf_expect_eq "$(grep -c '^id=' <<<"$controls")" 4 "number of controls"
control 1
cf_expect_eq "${CTL[class]}|${CTL[text]}|$((CTL[style] & 0x1000F))" "Button|OK|65537" \
    "control 1: class, text, BS_DEFPUSHBUTTON | WS_TABSTOP"
control 1000
cf_expect_eq "${CTL[class]}|${CTL[text]}|$((CTL[style] & 0x1000F))|${CTL[check]}" \
    "Button|Stretch as Desktop Size|65539|0" \
    "control 1000: class, text, BS_AUTOCHECKBOX | WS_TABSTOP, clear at the first start"
statics=$(grep -P '^id=-1\t' <<<"$controls")
cf_expect_eq "$(grep -c . <<<"$statics")" 2 "static controls with id -1"
grep -P '\tclass=Static\t.*\ticon=1\t' <<<"$statics" >/dev/null ||
    cf_fail "no static control showing an icon: $statics"
about=$(grep -P '\ticon=0\t' <<<"$statics")
about=${about#*$'\t'text=}
[[ $about == "$caption\\n\\n"*Quillmark*"\\n"* ]] ||
    cf_fail "About text is not the title, an empty line and a two-line notice naming the maker: '$about'"
cf_log "ok: About text '$about'"

mkdir -p -- "$figures"
cf_screenshot "$figures/config-dialog.png" || cf_fail "no screenshot of the dialog"
cf_log "screenshot of the dialog: $figures/config-dialog.png"

set_box 1
close_dialog first Return
cf_expect_eq "$(stored)" "$(text_with_zero 31)" "StageSize after OK with the box ticked"

# --- "-c": the box shows the stored "1"; cleared and OK stores "0" ---------------------------------
open_dialog second -c
cf_expect_eq "$(box_state)" 1 "box with StageSize = \"1\""
set_box 0
close_dialog second Return
cf_expect_eq "$(stored)" "$(text_with_zero 30)" "StageSize after OK with the box clear"

# --- an empty command line: Escape stores nothing ------------------------------------------------
settings set "$CF_SETTINGS_KEY" StageSize 1 307a7a || cf_fail "cannot set StageSize"
open_dialog third
cf_expect_eq "$(box_state)" 0 "box with StageSize = \"0zz\""
set_box 1
close_dialog third Escape
cf_expect_eq "$(stored)" "type=1 size=3 data=307a7a" "StageSize after Escape with the box ticked"

# --- values set by hand: only the first character counts -----------------------------------------
long=31$(printf '30%.0s' {1..2999})
cases=("302e2e2e:0:text '0...'" "31:1:text '1'" "78:1:text 'x'" "00:1:a zero byte"
    ":0:empty data" "$long:1:3000 bytes starting with '1'")
index=0
for entry in "${cases[@]}"; do
    IFS=: read -r data expected what <<<"$entry"
    settings set "$CF_SETTINGS_KEY" StageSize 1 "$data" || cf_fail "cannot set StageSize to $what"
    index=$((index + 1))
    open_dialog "hand$index" /c
    cf_expect_eq "$(box_state)" "$expected" "box with StageSize = $what"
    close_dialog "hand$index" Escape
done

# --- the author's title and credit ---------------------------------------------------------------
cf_need wrestool iconv
saver=$CF_TMP/titled/cinefold.scr
caption="Reef at Dusk, by Jane Doe"
credit="Made by Jane Doe in 2026: share it freely, but keep this line."
mkdir -p -- "${saver%/*}" &&
    "$CF_CINEFOLD" bundle "$CF_SAVER" "$CF_BUILD_DIR/native/demo/demo.cfc" -o "$saver" \
        --title "$caption" --credit "$credit" >/dev/null || cf_fail "cannot bundle a titled saver"
wrestool -l "$saver" | grep -F -- "--type=6 --name=1 " >/dev/null ||
    cf_fail "wrestool lists no string table block 1: $(wrestool -l "$saver")"
# The block's strings as text, each behind its count, which shows as one more character.
strings=$(wrestool -x -R --type=6 --name=1 "$saver" | iconv -f UTF-16LE -t UTF-8 | tr -d '\0')
[[ $strings == ?"$caption"?"$credit" ]] || cf_fail "string table block 1 holds '$strings'"
cf_log "ok: wrestool reads the title and the credit"
open_dialog titled /c
control window
cf_expect_eq "${CTL[title]}" "$caption" "caption of the titled saver"
about=$(grep -P '^id=-1\t.*\ticon=0\t' <<<"$controls")
cf_expect_eq "${about#*$'\t'text=}" "$caption\\n\\n$credit" "About text of the titled saver"
cf_screenshot "$figures/config-dialog-titled.png" || cf_fail "no screenshot of the titled dialog"
close_dialog titled Escape

settings delete "$CF_SETTINGS_KEY" || cf_fail "cannot remove the settings key"
settings delete "$CF_APP_KEY" || cf_fail "cannot reset the saver's Wine settings"
