#!/usr/bin/env bash
# The 95 family's screen-saver password, with Wine reporting Windows 98 to the saver and a
# test "PASSWORD.CPL" beside it whose answers this script gives and whose calls it records.
# With "ScreenSaveUsePassword" = 1 a key press asks once, with the saver window as argument
# and the system in its screen-saver-running state; a close sent or a burst of closes posted
# while the question is open is refused without asking again; a wrong answer keeps the saver
# running, and a right one closes it with exit code 0, after which the module has been freed
# and the running state is off. Without the value, with 0, without the module or with a module
# that lacks the entry point, the first key press closes and nothing is asked.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 800x600x24 "$@"
cf_password_modules PASSWORD.CPL
probe() { cf_probe 60 "$@"; }
log=$CF_CALLS
desktop='Control Panel\Desktop'
dialog_class=CinefoldTestPassword
dialog_title="Cinefold Test Password"

use_password() {
    if [[ -z $1 ]]; then
        probe delete "$desktop" ScreenSaveUsePassword
    else
        probe set "$desktop" ScreenSaveUsePassword 4 "$1"
    fi || cf_fail "cannot set ScreenSaveUsePassword"
}

verify_count() { grep -c '^verify ' "$log"; }
dialog_up() { probe find "$dialog_class" "$dialog_title" >/dev/null; }
running_state() { probe saverrunning; }

# One key press at a time until the password question is open.
press_key_until_asked() {
    local attempt
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        cf_focus "$CF_SAVER_XID" 2>/dev/null
        cf_key space
        cf_poll 4 dialog_up && return 0
        cf_running "$1" || cf_fail "$1: the saver ended without asking"
    done
    cf_fail "$1: no password question after key presses"
}

answer() {
    # Posted, so that it is handled after any close posted before it.
    probe post "$dialog_class" "$dialog_title" 0x401 "$1" || cf_fail "cannot answer"
    cf_poll 30 eval '! dialog_up' || cf_fail "the password question did not close"
}

# --- a password in use ----------------------------------------------------------------------------
use_password 01000000
cf_start_saver asked "$WITH_MODULE"
cf_expect_eq "$(running_state)" "running=1" "screen-saver-running state with the module loaded"
press_key_until_asked asked
cf_expect_eq "$(grep '^verify ' "$log")" "verify window=$CF_SAVER_HWND running=1" \
    "the one question: the saver window as argument, running state on"

# While the question is open: a close sent is refused at once, posted closes do not ask again.
cf_expect_eq "$(probe send WindowsScreenSaverClass "Screen Saver" WM_CLOSE)" "result=0" \
    "answer to a close sent while the question is open"
for burst in 1 2 3; do
    probe post WindowsScreenSaverClass "Screen Saver" WM_CLOSE || cf_fail "cannot post a close"
done
answer 0
cf_running asked || cf_fail "the saver ended after a wrong answer"
probe find WindowsScreenSaverClass "Screen Saver" >/dev/null || cf_fail "the saver window is gone"
cf_expect_eq "$(verify_count)" 1 "questions after a wrong answer and four closes"

press_key_until_asked asked
cf_expect_eq "$(verify_count)" 2 "questions after the next key press"
answer 1
cf_wait_exit asked 30 || cf_fail "the saver did not close after the right answer"
cf_expect_eq "$CF_EXIT" 0 "exit code after the right answer"
cf_expect_eq "$(grep '^answer=' "$log" | tr '\n' ' ')" "answer=0 answer=1 " "answers given"
cf_expect_eq "$(grep '^password-module' "$log" | tr '\n' ' ')" \
    "password-module loaded password-module freed " "the module is freed before the process ends"
cf_expect_eq "$(running_state)" "running=0" "screen-saver-running state after the saver closed"

# --- no password: the first close closes ----------------------------------------------------------
cases=("no-value::$WITH_MODULE" "value-0:00000000:$WITH_MODULE"
    "no-module:01000000:$WITHOUT_MODULE" "no-entry-point:01000000:$WITHOUT_ENTRY")
for entry in "${cases[@]}"; do
    IFS=: read -r name value saver <<<"$entry"
    : >"$log"
    use_password "$value"
    cf_start_saver "$name" "$saver"
    cf_expect_eq "$(running_state)" "running=0" "$name: screen-saver-running state"
    cf_focus "$CF_SAVER_XID" 2>/dev/null
    cf_key space
    cf_wait_exit "$name" 30 || cf_fail "$name: the first key press did not close the saver"
    cf_expect_eq "$CF_EXIT" 0 "$name: exit code"
    cf_expect_eq "$(verify_count)" 0 "$name: questions"
done
# The module without the entry point was loaded and freed again at once.
cf_expect_eq "$(tr '\n' ' ' <"$log")" "provider-module loaded provider-module freed " \
    "no-entry-point: the module's life"

use_password ""
probe delete "$CF_APP_KEY" || cf_fail "cannot reset the saver's Wine settings"
