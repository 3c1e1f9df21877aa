# shellcheck shell=bash
# The Wine test harness. A test script sources this file and calls cf_begin "$@" first; the
# harness then owns everything the test starts (a private Xvfb display, the build tree's Wine
# prefix under an exclusive lock, a watchdog) and stops all of it on any exit, by process id.
# Every wait polls within a limit in seconds; every external command runs under timeout(1).
# Functions report through their exit status and print results on stdout; log lines go to
# stderr. Test scripts check results with "|| cf_fail ...", not "set -e". See README.md here.

if [[ -n ${CF_HARNESS_LOADED:-} ]]; then return 0; fi
CF_HARNESS_LOADED=1

CF_DEFAULT_SCREEN=1024x768x24
CF_DEFAULT_TEST_LIMIT=150
CF_WAIT_LIMIT=60
CF_PREFIX_INIT_LIMIT=240
CF_POLL_INTERVAL=0.2
# Seconds a Wine program may need to start before it does anything (the first one in a test
# also starts the prefix's wineserver and system processes).
CF_WINE_START_MARGIN=15

CF_TEST_NAME=wine_test CF_SCREEN=$CF_DEFAULT_SCREEN CF_TEST_LIMIT=$CF_DEFAULT_TEST_LIMIT
CF_SAVER= CF_PROGRAM= CF_WINPROBE= CF_TOOLS= CF_BUILD_DIR= CF_TMP= CF_ARTIFACTS=
CF_SCREEN_WIDTH=0 CF_SCREEN_HEIGHT=0 CF_DEADLINE_MS=0 CF_CLEANED_UP=0 CF_DIAGNOSED=0
CF_WATCHDOG_PID= CF_XVFB_PID= CF_XVFB_SERVER_PID= CF_WINEPREFIX= CF_LOCK_FD= CF_LAST_SCREENSHOT=
declare -A CF_JOB_PID=()
declare -A CF_JOB_STATUS=()

cf_log() { printf '[%(%T)T %s] %s\n' -1 "$CF_TEST_NAME" "$*" >&2; }

# Saves what helps to understand a failure, then ends the test with status 1. Inside a command
# substitution it only ends that subshell, and the caller's own check reports the failure.
cf_fail() {
    cf_log "FAIL: $*"
    [[ $BASHPID == "$$" ]] || exit 1
    cf__diagnose
    exit 1
}

cf_expect_eq() {
    local actual=$1 expected=$2 what=$3
    [[ $actual == "$expected" ]] || cf_fail "$what: expected '$expected', got '$actual'"
    cf_log "ok: $what = '$actual'"
}

# --- time ---------------------------------------------------------------------------------------

cf__now_ms() {
    local micros=${EPOCHREALTIME//[!0-9]/}
    CF_NOW_MS=$((10#$micros / 1000))
}

# Sets the variable named $1 to the whole seconds left before the test's own limit.
cf__remaining() {
    cf__now_ms
    printf -v "$1" '%d' $(((CF_DEADLINE_MS - CF_NOW_MS) / 1000))
}

# Sets the variable named $1 to min($2, seconds left less a reserve for diagnostics and
# clean-up). Ends the test when nothing is left.
cf__budget() {
    local left
    cf__remaining left
    ((left -= 10))
    ((left > 0)) || cf_fail "the test's time limit of ${CF_TEST_LIMIT} s is used up"
    printf -v "$1" '%d' $(($2 < left ? $2 : left))
}

# cf_poll LIMIT COMMAND [ARG...]: runs COMMAND every CF_POLL_INTERVAL until it succeeds (status
# 0) or LIMIT seconds have passed (status 1).
cf_poll() {
    local limit end
    cf__budget limit "$1"
    shift
    cf__now_ms
    end=$((CF_NOW_MS + limit * 1000))
    while :; do
        "$@" && return 0
        cf__now_ms
        ((CF_NOW_MS < end)) || return 1
        sleep "$CF_POLL_INTERVAL"
    done
}

# --- set-up -------------------------------------------------------------------------------------

cf__usage() {
    cf_fail "usage: $0 --build-dir DIR --winprobe EXE [--saver SCR] [--name NAME]" \
        "[--program EXE] [--screen WxHxD] [--limit SECONDS]"
}

# cf_begin [OPTION...]: parses the options that CTest passes (later ones win, so a script may
# put its own before "$@" or after it), then sets up the display and the prefix.
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

cf_begin() {
    while (($#)); do
        (($# >= 2)) || cf__usage
        case $1 in
        --name) CF_TEST_NAME=$2 ;;
        --saver) CF_SAVER=$2 ;;
        --program) CF_PROGRAM=$2 ;;
        --winprobe) CF_WINPROBE=$2 ;;
        --build-dir) CF_BUILD_DIR=$2 ;;
        --screen) CF_SCREEN=$2 ;;
        --limit) CF_TEST_LIMIT=$2 ;;
        *) cf__usage ;;
        esac
        shift 2
    done
    # A 32-bit build runs on Wine's 32-bit loader, which needs a kernel that executes 32-bit
    # programs; the kernels of some virtual machines do not. There the test cannot run at all,
    # so it reports itself skipped (CTest's SKIP_RETURN_CODE) rather than failed.
    if [[ -f $CF_WINPROBE && $(file -b "$CF_WINPROBE") == "PE32 "* ]] && ! cf__runs_32_bit; then
        cf_log "skipped: this machine's kernel cannot execute 32-bit programs, which Wine needs to run a 32-bit build"
        exit 77
    fi
    trap 'cf__on_exit' EXIT
    trap 'cf__on_signal INT 130' INT
    trap 'cf__on_signal TERM 143' TERM
    cf__now_ms
    CF_DEADLINE_MS=$((CF_NOW_MS + CF_TEST_LIMIT * 1000))

    [[ $CF_SCREEN =~ ^([0-9]+)x([0-9]+)x(8|16|24)$ ]] || cf_fail "bad screen size '$CF_SCREEN'"
    CF_SCREEN_WIDTH=${BASH_REMATCH[1]}
    CF_SCREEN_HEIGHT=${BASH_REMATCH[2]}
    [[ -f $CF_BUILD_DIR/CMakeCache.txt ]] || cf_fail "'$CF_BUILD_DIR' is not a CMake build tree"
    CF_BUILD_DIR=$(cd "$CF_BUILD_DIR" && pwd -P)
    # Opened first, so that every program started from here on can be given it closed.
    exec {CF_LOCK_FD}>"$CF_BUILD_DIR/wineprefix.lock"
    [[ -f $CF_WINPROBE ]] || cf_fail "winprobe not found at '$CF_WINPROBE' (build it first)"
    [[ -z $CF_SAVER || -f $CF_SAVER ]] || cf_fail "saver not found at '$CF_SAVER' (build it first)"
    local tool missing=()
    for tool in wine wineboot wineserver Xvfb xdpyinfo xdotool import convert flock timeout; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    ((${#missing[@]} == 0)) || cf_fail "missing tools: ${missing[*]}"

    CF_TMP=$(mktemp -d "${TMPDIR:-/tmp}/cinefold-wine.XXXXXX") || cf_fail "cannot make a temp dir"
    cf__bypass_32_bit_loader
    CF_ARTIFACTS=$CF_BUILD_DIR/wine-artifacts/$CF_TEST_NAME
    rm -rf -- "$CF_ARTIFACTS"
    mkdir -p -- "$CF_ARTIFACTS"
    cf__start_watchdog
    cf__lock_prefix
    cf__start_xvfb
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
        cf__alive "$parent" || exit 0
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

cf__start_xvfb() {
    local attempt display_file=$CF_TMP/display number=
    for attempt in 1 2 3; do
        : >"$display_file"
        # The server's own time limit ends it even if this shell is killed outright.
        timeout -k 5 $((CF_TEST_LIMIT + 60)) Xvfb -displayfd 3 -screen 0 "$CF_SCREEN" \
            -nolisten tcp -noreset -wr 3>"$display_file" >"$CF_TMP/xvfb.log" 2>&1 \
            {CF_LOCK_FD}>&- &
        CF_XVFB_PID=$!
        echo "$CF_XVFB_PID" >"$CF_TMP/xvfb.pid"
        cf_poll 30 cf__xvfb_settled "$display_file"
        number=$(head -n 1 "$display_file")
        if [[ $number =~ ^[0-9]+$ ]]; then
            export DISPLAY=:$number
            CF_XVFB_SERVER_PID=$(cf__children "$CF_XVFB_PID")
            if cf_poll 30 cf__display_answers; then return 0; fi
        fi
        cf_log "Xvfb attempt $attempt failed: $(tr '\n' ' ' <"$CF_TMP/xvfb.log")"
        cf__stop_xvfb
    done
    cf_fail "could not start Xvfb"
}

# Xvfb writes its display number once it accepts connections, or ends when it cannot start.
cf__xvfb_settled() {
    [[ $(head -n 1 "$1" 2>/dev/null) =~ ^[0-9]+$ ]] || ! cf__alive "$CF_XVFB_PID"
}

cf__display_answers() {
    local info
    info=$(timeout 10 xdpyinfo 2>/dev/null) || return 1
    [[ $info == *"dimensions:"*" ${CF_SCREEN_WIDTH}x${CF_SCREEN_HEIGHT} pixels"* ]] || return 1
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

# --- Windows programs ---------------------------------------------------------------------------

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

# cf_store_stretch 0|1: stores the saver's stretch option ("StageSize"). Wine's reg now and then
# fails while the program before it is still closing down in the prefix, so it is tried again
# until it succeeds, for up to a minute.
cf_store_stretch() {
    local deadline=$((SECONDS + 60))
    until cf_run 30 reg add 'HKCU\Software\Quillmark\CinefoldScreenSaver' /v StageSize \
        /t REG_SZ /d "$1" /f >/dev/null 2>&1; do
        ((SECONDS < deadline)) || cf_fail "cannot store StageSize"
        sleep 0.5
    done
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

# cf_saver_copy NAME [FILE AS]: a copy of the saver in a folder of its own under CF_TMP, with
# the test module FILE from CF_TOOLS beside it under the name AS; prints the copy's path.
cf_saver_copy() {
    local dir="$CF_TMP/$1"
    mkdir -p -- "$dir" && cp -- "$CF_SAVER" "$dir/cinefold.scr" || cf_fail "cannot copy the saver"
    if [[ -n ${2:-} ]]; then
        cp -- "$CF_TOOLS/$2" "$dir/$3" || cf_fail "cannot copy $2"
    fi
    printf '%s\n' "$dir/cinefold.scr"
}

# cf_start NAME PROGRAM [ARG...]: starts a Windows program in the background. Its output goes
# to the artifacts directory; cf_wait_exit NAME collects its exit code.
cf_start() {
    local name=$1 limit
    shift
    cf__budget limit "$CF_TEST_LIMIT"
    timeout -k 5 "$limit" wine "$@" >"$CF_ARTIFACTS/$name.log" 2>&1 {CF_LOCK_FD}>&- &
    CF_JOB_PID[$name]=$!
    unset "CF_JOB_STATUS[$name]"
    cf_log "started $name (pid ${CF_JOB_PID[$name]}): $*"
}

# A process that exists and is not a zombie. The command name in /proc/PID/stat may hold
# blanks, so the state is read after its closing parenthesis.
cf__alive() {
    local stat=
    [[ -n $1 ]] || return 1
    read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
    stat=${stat##*) }
    [[ ${stat%% *} != Z ]]
}

# cf__children PID: prints the ids of the direct children of a process.
cf__children() {
    local entry stat
    for entry in /proc/[0-9]*; do
        read -r stat 2>/dev/null <"$entry/stat" || continue
        stat=${stat##*) }
        stat=${stat#* }
        [[ ${stat%% *} == "$1" ]] && echo "${entry#/proc/}"
    done
}

# cf_running NAME: status 0 while the program started as NAME is still running.
cf_running() { cf__alive "${CF_JOB_PID[$1]:-}"; }

cf__job_ended() { ! cf_running "$1"; }

# cf_wait_exit NAME [LIMIT]: waits until the program started as NAME has ended and sets
# CF_EXIT to its exit code. Status 1 when it is still running after LIMIT seconds.
cf_wait_exit() {
    local name=$1 pid=${CF_JOB_PID[$1]:-}
    [[ -n $pid ]] || cf_fail "no program was started as '$name'"
    if [[ -z ${CF_JOB_STATUS[$name]:-} ]]; then
        cf_poll "${2:-$CF_WAIT_LIMIT}" cf__job_ended "$name" || return 1
        wait "$pid"
        CF_JOB_STATUS[$name]=$?
    fi
    CF_EXIT=${CF_JOB_STATUS[$name]}
    cf_log "$name ended with exit code $CF_EXIT"
}

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

# cf__probe_wait LIMIT COMMAND CLASS TITLE: winprobe's own polling wait, leaving it time to start.
cf__probe_wait() {
    local limit inner
    cf__budget limit "$1"
    inner=$((limit > CF_WINE_START_MARGIN + 1 ? limit - CF_WINE_START_MARGIN : 1))
    cf_probe "$limit" "$2" "$3" "$4" $((inner * 1000))
}

# cf_wait_window CLASS TITLE [LIMIT]: waits until a top-level window of that class and title
# exists and is visible (an empty CLASS or TITLE matches any). Sets CF_WINDOW to winprobe's
# line and CF_WINDOW_RECT to "left,top,right,bottom".
cf_wait_window() {
    CF_WINDOW=$(cf__probe_wait "${3:-$CF_WAIT_LIMIT}" shown "$1" "$2") || return 1
    local tab=$'\t'
    [[ $CF_WINDOW =~ ${tab}rect=([-0-9,]+) ]] || return 1
    # shellcheck disable=SC2034 # for the test script
    CF_WINDOW_RECT=${BASH_REMATCH[1]}
    cf_log "window: $CF_WINDOW"
}

# --- X input ------------------------------------------------------------------------------------

# cf_x_window NAME [LIMIT]: waits for a visible X window whose name is exactly NAME and prints
# its id. Wine names a top-level window's X window after its title.
cf_x_window() {
    local pattern
    pattern="^$(printf '%s' "$1" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"
    cf_poll "${2:-$CF_WAIT_LIMIT}" cf__x_search "$pattern" || return 1
    printf '%s\n' "$CF_X_WINDOW"
}

cf__x_search() {
    CF_X_WINDOW=$(timeout 10 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [[ -n $CF_X_WINDOW ]]
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

# --- screenshots --------------------------------------------------------------------------------

# cf_screenshot FILE: the whole display as PNG.
cf_screenshot() {
    timeout 20 import -window root "$1" 2>/dev/null && CF_LAST_SCREENSHOT=$1
}

cf__check_point() {
    [[ $1 =~ ^([0-9]+),([0-9]+)$ ]] || cf_fail "bad pixel position '$1'"
    ((BASH_REMATCH[1] < CF_SCREEN_WIDTH && BASH_REMATCH[2] < CF_SCREEN_HEIGHT)) ||
        cf_fail "pixel $1 is outside the ${CF_SCREEN_WIDTH}x${CF_SCREEN_HEIGHT} screen"
}

# cf_pixels FILE X,Y...: prints the colour of each pixel as RRGGBB, space-separated.
cf_pixels() {
    local file=$1 point format=
    shift
    for point in "$@"; do
        cf__check_point "$point"
        format+="${format:+ }%[hex:p{$point}]"
    done
    timeout 20 convert "$file" -format "$format\n" info:
}

# cf_wait_pixels LIMIT X,Y=RRGGBB...: waits until one screenshot shows every listed pixel in
# its colour. On a timeout the last screenshot is kept and the differences are logged.
cf_wait_pixels() {
    local limit=$1 check point colour
    shift
    CF_PIXEL_POINTS=()
    CF_PIXEL_WANTED=()
    for check in "$@"; do
        [[ $check =~ ^([0-9]+,[0-9]+)=([0-9A-Fa-f]{6})$ ]] || cf_fail "bad pixel check '$check'"
        point=${BASH_REMATCH[1]}
        colour=${BASH_REMATCH[2]^^}
        cf__check_point "$point"
        CF_PIXEL_POINTS+=("$point")
        CF_PIXEL_WANTED+=("$colour")
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
    CF_PIXELS_SEEN=$(cf_pixels "$CF_TMP/wait.png" "${CF_PIXEL_POINTS[@]}") || return 1
    [[ $CF_PIXELS_SEEN == "${CF_PIXEL_WANTED[*]}" ]]
}

# --- clean-up -----------------------------------------------------------------------------------

cf__diagnose() {
    ((CF_DIAGNOSED)) && return 0
    CF_DIAGNOSED=1
    [[ -n $CF_ARTIFACTS && -d $CF_ARTIFACTS ]] || return 0
    if [[ -n ${DISPLAY:-} && -n $CF_XVFB_PID ]]; then
        cf_screenshot "$CF_ARTIFACTS/failure.png" || true
    fi
    if [[ -n ${WINEPREFIX:-} && -f $CF_WINPROBE ]]; then
        timeout -k 5 20 wine "$CF_WINPROBE" list >"$CF_ARTIFACTS/windows.txt" 2>&1 \
            {CF_LOCK_FD}>&- || true
    fi
    cf_log "diagnostics in $CF_ARTIFACTS"
}

cf__on_signal() {
    trap - INT TERM
    cf_log "stopped by SIG$1"
    cf__diagnose
    exit "$2"
}

cf__on_exit() {
    local status=$?
    cf__cleanup "$status"
    if ((status == 0)); then
        cf_log "passed"
    else
        cf_log "failed with status $status"
    fi
    exit "$status"
}

# Sends TERM to each live pid, waits up to 10 s for them to go, then sends KILL.
cf__terminate() {
    local pid alive=()
    for pid in "$@"; do
        cf__alive "$pid" && alive+=("$pid") && kill -TERM "$pid" 2>/dev/null
    done
    ((${#alive[@]})) || return 0
    CF_TERMINATING=("${alive[@]}")
    cf__poll_raw 10 cf__all_ended && return 0
    for pid in "${alive[@]}"; do
        cf__alive "$pid" && cf_log "killing pid $pid" && kill -KILL "$pid" 2>/dev/null
    done
    return 0
}

cf__all_ended() {
    local pid
    for pid in "${CF_TERMINATING[@]}"; do cf__alive "$pid" && return 1; done
    return 0
}

# Like cf_poll, but free of the test's deadline: clean-up runs after it.
cf__poll_raw() {
    local end
    cf__now_ms
    end=$((CF_NOW_MS + $1 * 1000))
    shift
    while ! "$@"; do
        cf__now_ms
        ((CF_NOW_MS < end)) || return 1
        sleep "$CF_POLL_INTERVAL"
    done
}

# Sets CF_PREFIX_PIDS to the live processes other than this shell whose environment names this
# test's prefix: the programs the test started and everything Wine started for them. It runs
# in this shell, without a subshell that would find itself.
cf__find_prefix_processes() {
    local entry pid variable variables
    CF_PREFIX_PIDS=()
    for entry in /proc/[0-9]*; do
        pid=${entry#/proc/}
        ((pid == $$)) && continue
        mapfile -d '' -t variables 2>/dev/null <"$entry/environ" || continue
        for variable in "${variables[@]}"; do
            if [[ $variable == "WINEPREFIX=$CF_WINEPREFIX" ]]; then
                cf__alive "$pid" && CF_PREFIX_PIDS+=("$pid")
                break
            fi
        done
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

cf__stop_xvfb() {
    [[ -n $CF_XVFB_PID ]] || return 0
    # shellcheck disable=SC2086 # no server id, or one
    cf__terminate "$CF_XVFB_PID" $CF_XVFB_SERVER_PID
    wait "$CF_XVFB_PID" 2>/dev/null
    CF_XVFB_PID=
    CF_XVFB_SERVER_PID=
}

cf__cleanup() {
    ((CF_CLEANED_UP)) && return 0
    CF_CLEANED_UP=1
    trap - INT TERM
    local name pid
    if [[ -n $CF_WATCHDOG_PID ]]; then
        kill -TERM "$CF_WATCHDOG_PID" 2>/dev/null
        wait "$CF_WATCHDOG_PID" 2>/dev/null
    fi
    if [[ -n ${WINEPREFIX:-} ]]; then
        cf__end_prefix_processes
    fi
    for name in "${!CF_JOB_PID[@]}"; do
        pid=${CF_JOB_PID[$name]}
        cf__terminate "$pid"
        wait "$pid" 2>/dev/null
    done
    cf__stop_xvfb
    if [[ -n $CF_LOCK_FD ]]; then exec {CF_LOCK_FD}>&-; fi
    if [[ -n $CF_TMP && -d $CF_TMP ]]; then rm -rf -- "$CF_TMP"; fi
    # What a test leaves behind is kept only when it failed.
    if [[ $1 == 0 && -n $CF_ARTIFACTS && -d $CF_ARTIFACTS ]]; then rm -rf -- "$CF_ARTIFACTS"; fi
}
