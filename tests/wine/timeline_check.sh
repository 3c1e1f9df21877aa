#!/usr/bin/env bash
# The timeline's arithmetic in the Windows build: curve examples, random tracks against the
# reference, and the random branch against the C runtime's srand and rand (timeline_check.exe).

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin "$@"

checker="$(dirname "$CF_WINPROBE")/timeline_check.exe"
[[ -f $checker ]] || cf_fail "timeline_check.exe not found beside winprobe"

output=$(cf_run 120 "$checker")
status=$?
printf '%s\n' "$output" >&2
printf '%s\n' "$output" >"$CF_ARTIFACTS/timeline_check.log"
cf_expect_eq "$status" 0 "exit status of timeline_check.exe"
