#!/usr/bin/env bash
# "/a N" on the 95 family (Wine reporting Windows 98 to the saver) calls "PwdChangePasswordA"
# of "MPR.DLL" with "SCRSAVE", window N, 0 and 0, and exits 0; when N names no window, or is
# missing, the foreground window is the parent. A test MPR.DLL beside the saver records the
# call; Wine is told to prefer it to its own. With no such module, or one without the entry
# point, "/a" exits 0 having called nothing. On the NT family "/a" exits -1 (255) and loads no
# module.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin "$@"
cf_password_modules MPR.DLL
settings() { cf_probe 60 "$@"; }
log=$CF_CALLS

# change_password SAVER ARG...: runs the saver with Wine preferring an MPR.DLL beside it;
# sets CF_EXIT and empties the log first.
change_password() {
    local saver=$1
    shift
    : >"$log"
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mpr=n" cf_run 60 "$saver" "$@"
    CF_EXIT=$?
    cf_log "$saver $* ended with exit code $CF_EXIT"
}
calls() { tr '\n' ' ' <"$log"; }

# own_window NAME TITLE: a window of the probe's own; prints its handle.
own_window() {
    cf_start "$1" "$CF_WINPROBE" window "$2" 200000
    cf_poll 60 grep -q '^window=' "$CF_ARTIFACTS/$1.out" || cf_fail "no window '$2'"
    tr -d '\r' <"$CF_ARTIFACTS/$1.out" | sed -n 's/^window=//p'
}
parent=$(own_window parent "Cinefold Test Parent")
foreground=$(own_window front "Cinefold Test Foreground")
is_foreground() { [[ $(settings foreground) == "window=$foreground" ]]; }
cf_poll 30 is_foreground || cf_fail "the second window did not come to the foreground"
[[ $parent != "$foreground" ]] || cf_fail "the two windows have one handle"

change_password "$WITH_MODULE" /a "$parent"
cf_expect_eq "$CF_EXIT" 0 "/a N: exit code"
cf_expect_eq "$(calls)" "provider-module loaded change provider=SCRSAVE window=$parent reserved=0,0 provider-module freed " \
    "/a N: the call, and the module freed afterwards"

cf_expect_eq "$(settings foreground)" "window=$foreground" "foreground window"
for arguments in "/a 4000000000" "-A" "/a:$parent"; do
    # shellcheck disable=SC2086 # the arguments are words
    change_password "$WITH_MODULE" $arguments
    cf_expect_eq "$CF_EXIT" 0 "$arguments: exit code"
    cf_expect_eq "$(calls)" "provider-module loaded change provider=SCRSAVE window=$foreground reserved=0,0 provider-module freed " \
        "$arguments: the foreground window is the parent"
done

change_password "$WITHOUT_MODULE" /a "$parent"
cf_expect_eq "$CF_EXIT|$(calls)" "0|" "/a N without MPR.DLL: exit code and calls"
change_password "$WITHOUT_ENTRY" /a "$parent"
cf_expect_eq "$CF_EXIT|$(calls)" "0|password-module loaded password-module freed " \
    "/a N with an MPR.DLL lacking the entry point: exit code and module life"

settings delete "$CF_APP_KEY" || cf_fail "cannot reset the saver's Wine settings"
change_password "$WITH_MODULE" /a "$parent"
cf_expect_eq "$CF_EXIT|$(calls)" "255|" "/a N on the NT family: exit code and calls"
