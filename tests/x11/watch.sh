#!/usr/bin/env bash
# cinefold play PROJECT --watch: an edit that packs shows at once, at the same frame (a key moved,
# an image replaced); an edit that does not is named in the window's title while the last good
# picture stays; a burst of saves reloads once.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 640x480x24 "$@"
cf_held_animation "$CF_TMP/held.cfc" 5
project=$CF_TMP/project/project.json
title="Cinefold — project.json"

# expect NAME: the window shows what the tool renders of the project as it is now, at frame 10.
expect() {
    cf_render "$CF_TMP/$1.png" "$project" --frame 10 --screen 200x150
    cf_wait_picture "$1" "$WINDOW" "$CF_TMP/$1.png"
}
reloads() { grep -c ': reloaded$' "$CF_ARTIFACTS/watch.err"; }
reloaded() { [[ $(reloads) -ge $1 ]]; }
titled() { [[ $(xdotool getwindowname "$WINDOW" 2>/dev/null) == "$1" ]]; }

cf_job watch "$CF_CINEFOLD" play "$project" --watch --paused --frame 10 --screen 200x150
WINDOW=$(cf_x_window "$title") || cf_fail "no window titled '$title'"
expect first

sed -i 's/"centre": \[20, 20\]/"centre": [70, 30]/' "$project"
expect moved
convert -size 30x20 xc:none -fill '#e03030' -draw 'rectangle 2,2 27,17' -depth 8 \
    "PNG32:$CF_TMP/project/fish.png" || cf_fail "cannot draw the new fish"
expect replaced

cp "$project" "$CF_TMP/good.json"
printf '{"stage": ' >"$project"
cf_poll 30 titled "$title — refused: not valid JSON: parse error at line 1, column 11: syntax error while parsing value - unexpected end of input; expected '[', '{', or a literal" ||
    cf_fail "the title says '$(xdotool getwindowname "$WINDOW")'"
cf_shows "$WINDOW" "$CF_TMP/replaced.png" || cf_fail "a refused edit changed the picture"
cf_running watch || cf_fail "a refused edit ended play"

before=$(reloads)
for _ in 1 2 3 4 5; do cat "$CF_TMP/good.json" >"$project"; done
cf_poll 30 titled "$title" || cf_fail "the mended project's title says '$(xdotool getwindowname "$WINDOW")'"
expect mended
sed -i 's/"centre": \[70, 30\]/"centre": [40, 60]/' "$project"
expect moved-again
cf_poll 30 reloaded $((before + 2)) || cf_fail "no reload after the last edit"
cf_expect_eq "$(reloads)" $((before + 2)) "reloads for a burst of five saves and one more edit"

xdotool key --window "$WINDOW" q 2>>"$CF_ARTIFACTS/xdotool.err"
cf_wait_exit watch || cf_fail "play still running after q"
cf_expect_eq "$CF_EXIT" 0 "exit code"
