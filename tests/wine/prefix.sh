#!/usr/bin/env bash
# Makes the build tree's Wine prefix when it does not exist yet (the other Wine tests need it
# and run after this one), then checks that the prefix runs this build's programs on the
# harness's display: Windows must see the screen size that Xvfb was started with.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 800x600x24 "$@"

# The first program after an update of Wine also brings the prefix up to date, which takes a
# while; later tests then start at once.
size=$(cf_probe 240 screen) || cf_fail "winprobe does not run in the prefix"
cf_expect_eq "$size" screen=800x600 "screen size seen by Windows programs"
