#!/usr/bin/env bash
# Runs one GoogleTest program of the Windows build under Wine, on the harness's display and
# prefix, and passes when every test in it passes.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin "$@"

[[ -f $CF_PROGRAM ]] || cf_fail "test program '$CF_PROGRAM' not found (build it first)"
# Programs that drive the saver find it here.
CINEFOLD_SAVER=$(cf_winpath "$CF_SAVER") || cf_fail "cannot name the saver for Windows"
export CINEFOLD_SAVER
log="$CF_ARTIFACTS/$(basename "$CF_PROGRAM" .exe).log"
cf_run "$((CF_TEST_LIMIT - 10))" "$CF_PROGRAM" >"$log" 2>&1
status=$?
grep -E '^\[  (FAILED|PASSED)|Failure|error:' "$log" >&2
cf_expect_eq "$status" 0 "exit status of $(basename "$CF_PROGRAM") (full output in $log)"
