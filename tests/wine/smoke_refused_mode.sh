#!/usr/bin/env bash
# A mode character the saver does not know ("/x") ends it at once with exit code -1: 255 as
# Wine hands it to the shell, and the full -1 as another Windows program sees it.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin "$@"
[[ -n $CF_SAVER ]] || cf_fail "no saver given (--saver)"

cf_run 60 "$CF_SAVER" /x
cf_expect_eq "$?" 255 "exit status of '/x' under Wine"

result=$(cf_probe 60 run 30000 "$(cf_winpath "$CF_SAVER")" /x)
cf_expect_eq "$result" "exit=-1" "exit code of '/x' seen through CreateProcess"
