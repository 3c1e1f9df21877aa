# shellcheck shell=bash
# The Wine test harness. A test script sources this file and calls cf_begin "$@" first; the
# harness then owns a private Xvfb display, the build tree's Wine prefix under an exclusive lock
# and a watchdog, besides what ../harness-common.sh gives every test. See README.md here.

source "$(dirname "${BASH_SOURCE[0]}")/../harness-common.sh"
CF_KIND=wine
CF_PREFIX_INIT_LIMIT=240
# Seconds a Wine program may need to start before it does anything (the first one in a test
# also starts the prefix's wineserver and system processes).
CF_WINE_START_MARGIN=15
CF_WATCHDOG_PID= CF_WINEPREFIX=

# Sets the variable named $1 to min($2, seconds left less the reserve for diagnostics and
# clean-up). Ends the test when nothing is left.
cf__budget() {
    cf__now_ms
    local left=$(((CF_DEADLINE_MS - CF_RESERVE_MS - CF_NOW_MS) / 1000))
    ((left > 0)) || cf_fail "the test's time limit of ${CF_TEST_LIMIT} s is used up"
    printf -v "$1" '%d' $(($2 < left ? $2 : left))
}


# Whether Wine's 32-bit loader can start here. A machine without it installed is not judged here:
# the test then goes on and fails on what is missing.
cf__runs_32_bit() {
    local loader
    for loader in /usr/lib/wine/wine /usr/lib/i386-linux-gnu/wine/wine; do
        [[ -x $loader ]] || continue
        "$loader" --version >/dev/null 2>&1
        return
    done
    return 0
}

# Debian's wine command starts every program through the 32-bit loader when that is installed,
# also a 64-bit one, so on a kernel that cannot execute 32-bit programs nothing starts. There the
# 64-bit build's programs go straight to the 64-bit loader: wine and wine-stable (which wineboot
# calls) are put first on PATH, in this test's temp dir, as the 64-bit loader.
cf__bypass_32_bit_loader() {
    cf__runs_32_bit && return 0
    [[ -x /usr/lib/wine/wine64 ]] || return 0
    local bin=$CF_TMP/bin name
    mkdir -p -- "$bin" || cf_fail "cannot make $bin"
    for name in wine wine-stable; do
        printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' \
            >"$bin/$name" && chmod +x "$bin/$name" || cf_fail "cannot write $bin/$name"
    done
    export PATH=$bin:$PATH
    cf_log "this kernel cannot execute 32-bit programs: Wine runs through its 64-bit loader"
}

# cf_begin [OPTION...]: parses the options that CTest passes, then sets up the display and the
# prefix.
cf_begin() {
    cf__options "$@"
    # A 32-bit build runs on Wine's 32-bit loader, which needs a kernel that executes 32-bit
    # programs; the kernels of some virtual machines do not. There the test cannot run at all,
    # so it reports itself skipped (CTest's SKIP_RETURN_CODE) rather than failed.
    if [[ -f $CF_WINPROBE && $(file -b "$CF_WINPROBE") == "PE32 "* ]] && ! cf__runs_32_bit; then
        cf_log "skipped: this machine's kernel cannot execute 32-bit programs, which Wine needs to run a 32-bit build"
        exit 77
    fi
    [[ -f $CF_BUILD_DIR/CMakeCache.txt ]] || cf_fail "'$CF_BUILD_DIR' is not a CMake build tree"
    CF_BUILD_DIR=$(cd "$CF_BUILD_DIR" && pwd -P)
    CF_LOCK_FILE=$CF_BUILD_DIR/wineprefix.lock
    # The native tool of the build's native sub-build draws the reference pictures.
    CF_CINEFOLD=${CF_CINEFOLD:-$CF_BUILD_DIR/native/tools/cinefold}
    cf__setup wine wineboot wineserver flock
    [[ -f $CF_WINPROBE ]] || cf_fail "winprobe not found at '$CF_WINPROBE' (build it first)"
    [[ -f $CF_SAVER ]] || cf_fail "saver not found at '$CF_SAVER' (build it first)"
    cf__bypass_32_bit_loader
    cf__start_watchdog
    cf__lock_prefix
    cf__start_xvfb -wr
    cf__prepare_prefix
    cf_log "display $DISPLAY ($CF_SCREEN), prefix $WINEPREFIX, limit ${CF_TEST_LIMIT} s"
}

# Ends the test at its time limit by sending TERM to the test's shell, whose trap then stops
# everything. A shell runs a trap only once its foreground command has finished, so when the
# shell is still there after a grace period, the watchdog also ends that command: every child
# of the shell except itself and Xvfb, which stays for the failure screenshot.
cf__start_watchdog() {
    local parent=$$ limit=$CF_TEST_LIMIT
    (
        sleeper=
        trap '[[ -n $sleeper ]] && kill "$sleeper" 2>/dev/null; exit 0' TERM
        pause() {
            sleep "$1" &
            sleeper=$!
            wait "$sleeper"
        }
        pause "$limit" || exit 0
        cf_log "watchdog: the time limit of $limit s has passed"
        kill -TERM "$parent" 2>/dev/null || exit 0
        pause 15 || exit 0
        cf_alive "$parent" || exit 0
        xvfb=$(cat "$CF_TMP/xvfb.pid" 2>/dev/null)
        for child in $(cf__children "$parent"); do
            [[ $child == "$BASHPID" || $child == "$xvfb" ]] && continue
            cf_log "watchdog: ending pid $child, which keeps the test from stopping"
            kill -TERM "$child" 2>/dev/null
        done
    ) {CF_LOCK_FD}>&- &
    CF_WATCHDOG_PID=$!
}

# One test at a time per prefix. The lock is held until the test's shell exits; the
# programs the harness starts get the descriptor closed so that none of them can keep it.
cf__lock_prefix() {
    local wait
    CF_WINEPREFIX=$CF_BUILD_DIR/wineprefix
    cf__budget wait "$CF_TEST_LIMIT"
    flock -w "$wait" "$CF_LOCK_FD" || cf_fail "another test kept the Wine prefix for ${wait} s"
}

# Makes the prefix on first use. A prefix without the ready mark is left over from an
# interrupted set-up and is made again from nothing.
cf__prepare_prefix() {
    export WINEPREFIX=$CF_WINEPREFIX
    export WINEDEBUG=-all
    # No offers to install Mono or Gecko, and no menu entries written to the user's home.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    local ready=$CF_WINEPREFIX/.cinefold-prefix-ready limit
    if [[ -e $CF_WINEPREFIX ]]; then
        cf__end_prefix_processes "left by an earlier test that was killed"
    fi
    [[ -f $ready ]] && return 0
    if [[ -e $CF_WINEPREFIX ]]; then
        cf_log "removing an unfinished prefix"
        rm -rf -- "$CF_WINEPREFIX"
    fi
    cf_log "making the Wine prefix (takes up to a minute)"
    cf__budget limit "$CF_PREFIX_INIT_LIMIT"
    # A 64-bit prefix with the 32-bit loader installed runs programs of both kinds.
    WINEARCH=win64 timeout -k 5 "$limit" wineboot --init >"$CF_ARTIFACTS/wineboot.log" 2>&1 \
        {CF_LOCK_FD}>&- || cf_fail "wineboot failed (see $CF_ARTIFACTS/wineboot.log)"
    cf__budget limit 60
    timeout "$limit" wineserver -w {CF_LOCK_FD}>&- || cf_fail "wineboot did not finish"
    touch -- "$ready"
    cf_log "prefix ready"
}


# cf_winpath FILE: the Windows path of a file (drive Z: is the root of the file system).
cf_winpath() {
    local path
    path=$(realpath -- "$1") || return 1
    printf 'Z:%s\n' "${path//\//\\}"
}

# cf_run LIMIT PROGRAM [ARG...]: runs a Windows program in the foreground and returns its exit
# code (-1 reads as 255; 124 means the limit ran out).
cf_run() {
    local limit
    cf__budget limit "$1"
    shift
    timeout -k 5 "$limit" wine "$@" {CF_LOCK_FD}>&-
}

CF_SETTINGS_KEY='Software\Quillmark\CinefoldScreenSaver' # the saver's, under HKCU
# cf_store_stretch 0|1: stores the saver's stretch option ("StageSize"). Wine's reg now and then
# fails while the program before it is still closing down in the prefix, so it is tried again
# until it succeeds, for up to a minute.
cf_store_stretch() {
    cf_poll 60 cf_run 30 reg add "HKCU\\$CF_SETTINGS_KEY" /v StageSize \
        /t REG_SZ /d "$1" /f >/dev/null || cf_fail "cannot store StageSize"
}

# cf_forget_settings: removes the saver's stored settings, which a test changed.
cf_forget_settings() {
    cf_run 60 reg delete "HKCU\\$CF_SETTINGS_KEY" /f >/dev/null 2>&1 ||
        cf_log "could not remove the saver's settings"
}

# cf_tools FILE...: the test programs and modules built beside winprobe that the test needs;
# fails when one is missing. CF_TOOLS is their folder.
cf_tools() {
    CF_TOOLS=$(dirname "$CF_WINPROBE")
    local tool
    for tool; do
        [[ -f $CF_TOOLS/$tool ]] || cf_fail "$tool not found beside winprobe (build it first)"
    done
}

# cf_password_modules NAME: what both tests of the 95 family's password need. Wine reports
# Windows 98 to cinefold.scr (under CF_APP_KEY); the test runs from CF_TMP, as the system looks
# for a module in the current folder too; CF_CALLS is the emptied log that the test modules write
# their calls to; and three copies of the saver are made in folders of their own: WITH_MODULE
# has the test module that provides NAME (PASSWORD.CPL or MPR.DLL) beside it as NAME,
# WITHOUT_ENTRY the other test module as NAME, and WITHOUT_MODULE none.
CF_APP_KEY='Software\Wine\AppDefaults\cinefold.scr'
cf_password_modules() {
    local right=test_password_cpl.dll wrong=test_mpr.dll copy module
    [[ $1 == MPR.DLL ]] && right=test_mpr.dll wrong=test_password_cpl.dll
    cf_tools "$right" "$wrong"
    cd -- "$CF_TMP" || cf_fail "cannot enter the test's folder"
    for copy in "with-module $right" without-module "without-entry $wrong"; do
        read -r copy module <<<"$copy"
        mkdir -p -- "$copy" && cp -- "$CF_SAVER" "$copy/cinefold.scr" &&
            { [[ -z $module ]] || cp -- "$CF_TOOLS/$module" "$copy/$1"; } ||
            cf_fail "cannot make the saver copy $copy"
    done
    WITH_MODULE=$CF_TMP/with-module/cinefold.scr WITHOUT_MODULE=$CF_TMP/without-module/cinefold.scr
    WITHOUT_ENTRY=$CF_TMP/without-entry/cinefold.scr CF_CALLS=$CF_TMP/calls.log
    : >"$CF_CALLS"
    CINEFOLD_TEST_LOG=$(cf_winpath "$CF_CALLS") || cf_fail "no Windows path for the log"
    export CINEFOLD_TEST_LOG
    cf_probe 60 delete "$CF_APP_KEY" && cf_probe 60 set "$CF_APP_KEY" Version 1 77696e393800 ||
        cf_fail "cannot ask Wine for Windows 98"
}

# cf_start NAME PROGRAM [ARG...]: starts a Windows program in the background (see cf_job).
cf_start() { cf_job "$1" wine "${@:2}"; }

# cf_probe LIMIT ARG...: runs winprobe with the arguments and prints its output.
cf_probe() {
    local limit output status
    cf__budget limit "$1"
    shift
    output=$(timeout -k 5 "$limit" wine "$CF_WINPROBE" "$@" {CF_LOCK_FD}>&-)
    status=$?
    [[ -n $output ]] && printf '%s\n' "${output//$'\r'/}"
    return "$status"
}

# cf_wait_window CLASS TITLE [LIMIT [NAME]]: waits until a top-level window of that class and
# title exists and is visible (an empty CLASS or TITLE matches any), with winprobe's own polling
# wait, 5 s at a time, each with the time winprobe may need to start. Sets CF_WINDOW to
# winprobe's line. With NAME, the program started as NAME is watched too: the wait then ends
# with status 2 as soon as that has ended.
cf_wait_window() {
    local limit end
    cf__budget limit "${3:-$CF_WAIT_LIMIT}"
    cf__now_ms
    end=$((CF_NOW_MS + limit * 1000))
    until CF_WINDOW=$(cf_probe $((CF_WINE_START_MARGIN + 5)) shown "$1" "$2" 5000); do
        [[ -z ${4:-} ]] || cf_running "$4" || return 2
        cf__now_ms
        ((CF_NOW_MS < end)) || return 1
    done
    cf_log "window: $CF_WINDOW"
}

# cf_start_saver NAME [SAVER]: with the pointer at the centre of the screen, and Wine seeing it
# there, starts the saver (CF_SAVER unless given) full screen and waits for its window.
# CF_SAVER_XID is its X window, CF_SAVER_HWND its Windows handle.
#
# Rarely, and so far only in CI, a saver's window was never seen, and the log could not tell
# whether the saver had closed itself at once or had not shown at all. A saver that ends, or
# shows nothing, before its window is seen is therefore logged with what it left and the
# windows there are, and started once more: the tests judge what the saver shows and how it
# closes, which the second start shows as well.
cf_start_saver() {
    local x=$((CF_SCREEN_WIDTH / 2)) y=$((CF_SCREEN_HEIGHT / 2)) attempt
    for attempt in 1 2; do
        cf_mouse_move "$x" "$y" && cf_probe 30 cursor "$x" "$y" 10000 >/dev/null ||
            cf_fail "Wine does not see the pointer at ($x, $y)"
        cf_start "$1" "${2:-$CF_SAVER}" /s
        cf_wait_window WindowsScreenSaverClass "Screen Saver" "" "$1" && break
        ((attempt == 1)) || cf_fail "$1: no saver window, twice"
        cf_log "$1: no saver window seen"
        cf__log_jobs "$1"
        cf__log_windows
        cf_log "$1: ending the prefix's programs and starting the saver again"
        cf__end_prefix_processes
        cf__terminate "${CF_JOB_PID[$1]}"
    done
    CF_SAVER_HWND=${CF_WINDOW%%$'\t'*}
    CF_SAVER_HWND=${CF_SAVER_HWND#window=}
    CF_SAVER_XID=$(cf_x_window "Screen Saver") || cf_fail "$1: no X window for the saver"
}

# cf_close_saver NAME [INPUT...]: the input (key presses unless given, see cf_close_with) closes
# the saver started as NAME, with exit code 0.
cf_close_saver() {
    (($# > 1)) || set -- "$1" key space
    cf_close_with "$1" "$CF_SAVER_XID" 60 "${@:2}" || cf_fail "$1: ${*:2} did not close the saver"
    cf_expect_eq "$CF_EXIT" 0 "$1: exit code"
}


# cf_focus XID: gives an X window the keyboard focus (there is no window manager to ask).
cf_focus() { timeout 10 xdotool windowraise "$1" windowfocus "$1"; }

# cf_key KEY...: real key presses through XTEST, to the focused window.
cf_key() { timeout 10 xdotool key "$@"; }

# cf_mouse_move X Y, cf_click [BUTTON]: real pointer input through XTEST. A click does not move
# the pointer, so a test can tell a click from mouse travel.
cf_mouse_move() { timeout 10 xdotool mousemove "$1" "$2"; }
cf_click() { timeout 10 xdotool click "${1:-1}"; }

# cf_close_with NAME XID LIMIT INPUT...: focuses the X window and sends the input (an xdotool
# command line, such as "click 1" or "key space") until the program started as NAME has ended,
# for at most LIMIT seconds. The exit code is then in CF_EXIT.
cf_close_with() {
    local name=$1 xid=$2 limit=$3
    shift 3
    cf_poll "$limit" cf__send_until_exit "$name" "$xid" "$@"
}

cf__send_until_exit() {
    local name=$1 xid=$2
    shift 2
    cf_focus "$xid" 2>/dev/null
    timeout 10 xdotool "$@"
    cf_wait_exit "$name" 5
}


# cf_wait_pixels LIMIT X,Y=RRGGBB...: waits until one screenshot shows every listed pixel in
# its colour. On a timeout the last screenshot is kept and the differences are logged.
cf_wait_pixels() {
    local limit=$1 check
    shift
    CF_PIXEL_FORMAT= CF_PIXEL_WANTED=
    for check in "$@"; do
        [[ $check =~ ^([0-9]+),([0-9]+)=([0-9A-Fa-f]{6})$ ]] || cf_fail "bad pixel check '$check'"
        ((BASH_REMATCH[1] < CF_SCREEN_WIDTH && BASH_REMATCH[2] < CF_SCREEN_HEIGHT)) ||
            cf_fail "pixel $check is outside the ${CF_SCREEN_WIDTH}x${CF_SCREEN_HEIGHT} screen"
        CF_PIXEL_FORMAT+="${CF_PIXEL_FORMAT:+ }%[hex:p{${check%=*}}]"
        CF_PIXEL_WANTED+="${CF_PIXEL_WANTED:+ }${BASH_REMATCH[3]^^}"
    done
    CF_PIXELS_SEEN=
    if cf_poll "$limit" cf__pixels_match; then
        cf_log "ok: pixels $*"
        return 0
    fi
    [[ -n $CF_LAST_SCREENSHOT ]] && cp -- "$CF_LAST_SCREENSHOT" "$CF_ARTIFACTS/last-wait.png"
    cf_log "pixels wanted: $*; last seen: ${CF_PIXELS_SEEN:-none}"
    return 1
}

cf__pixels_match() {
    cf_screenshot "$CF_TMP/wait.png" || return 1
    CF_PIXELS_SEEN=$(timeout 20 convert "$CF_TMP/wait.png" -format "$CF_PIXEL_FORMAT\n" info:) ||
        return 1
    [[ $CF_PIXELS_SEEN == "$CF_PIXEL_WANTED" ]]
}


cf__diagnose_more() {
    if [[ -n ${WINEPREFIX:-} && -f $CF_WINPROBE ]]; then
        cf__log_windows
    fi
}

# Keeps the list of top-level windows in the artifacts, and those that are not Wine's own
# hidden helpers in the log too: a CI run keeps no artifacts.
cf__log_windows() {
    local windows
    timeout -k 5 20 wine "$CF_WINPROBE" list >"$CF_ARTIFACTS/windows.txt" 2>&1 \
        {CF_LOCK_FD}>&- || true
    windows=$(tr -d '\r' <"$CF_ARTIFACTS/windows.txt" |
        grep -vE $'class=(WineDde[A-Za-z]*|IME|Shell_TrayWnd)\t' | head -n 12 | tr '\n' ';')
    cf_log "top-level windows: ${windows:-none but hidden Wine helpers}"
}

cf__cleanup_more() {
    if [[ -n $CF_WATCHDOG_PID ]]; then
        kill -TERM "$CF_WATCHDOG_PID" 2>/dev/null
        wait "$CF_WATCHDOG_PID" 2>/dev/null
    fi
    if [[ -n ${WINEPREFIX:-} ]]; then cf__end_prefix_processes; fi
}

# Sets CF_PREFIX_PIDS to the live processes other than this shell whose environment names this
# test's prefix: the programs the test started and everything Wine started for them. The grep
# and the subshell that look share that environment, but have ended when they are checked.
cf__find_prefix_processes() {
    local pid
    CF_PREFIX_PIDS=()
    for pid in $(grep -lzxF "WINEPREFIX=$CF_WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null |
        cut -d / -f 3); do
        ((pid != $$)) && cf_alive "$pid" && CF_PREFIX_PIDS+=("$pid")
    done
}

# Ends every process of the prefix. With the prefix locked, any that runs at the start of a
# test was left by one that was killed outright, and would otherwise answer for this test's
# programs (a second full-screen saver defers to a window that is already open).
# cf__end_prefix_processes [WHY]: WHY, when given, is logged with the processes found first.
cf__end_prefix_processes() {
    if [[ -n ${1:-} ]]; then
        cf__find_prefix_processes
        ((${#CF_PREFIX_PIDS[@]})) && cf_log "ending processes $1: ${CF_PREFIX_PIDS[*]}"
    fi
    timeout 20 wineserver -k {CF_LOCK_FD}>&- 2>/dev/null
    timeout 20 wineserver -w {CF_LOCK_FD}>&- 2>/dev/null
    cf__find_prefix_processes
    if ((${#CF_PREFIX_PIDS[@]})); then
        cf_log "killing processes in the prefix that outlived wineserver -k: ${CF_PREFIX_PIDS[*]}"
        cf__terminate "${CF_PREFIX_PIDS[@]}"
    fi
}
