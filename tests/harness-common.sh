# shellcheck shell=bash
# What the Wine and the X11 test harnesses share: options, logging and failing, polling within
# the test's own time limit, a private Xvfb display, background programs and the clean-up that
# stops everything the test started, by process id, on any exit. Every wait polls within a limit
# in seconds; every external command runs under timeout(1), so that nothing outlives a test that
# CTest kills outright. Functions report through their exit status and print results on stdout;
# log lines go to stderr. Test scripts check results with "|| cf_fail ...", not "set -e".

CF_KIND=test CF_POLL_INTERVAL=0.2 CF_WAIT_LIMIT=60
CF_TEST_NAME=test CF_SCREEN=1024x768x24 CF_TEST_LIMIT=150 CF_CINEFOLD=
CF_SAVER= CF_PROGRAM= CF_WINPROBE= CF_WINDOW_PROGRAM= CF_BUILD_DIR= CF_TMP= CF_ARTIFACTS=
CF_SCREEN_WIDTH=0 CF_SCREEN_HEIGHT=0 CF_DEADLINE_MS=0 CF_CLEANED_UP=0 CF_DIAGNOSED=0
CF_XVFB_PID= CF_XVFB_SERVER_PID= CF_LOCK_FD= CF_LOCK_FILE=/dev/null CF_LAST_SCREENSHOT=
# Seconds of the test's limit that no wait may take: diagnostics and clean-up run in them.
CF_RESERVE_MS=10000
declare -A CF_JOB_PID=() CF_JOB_STATUS=()

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
    [[ $1 == "$2" ]] || cf_fail "$3: expected '$2', got '$1'"
    cf_log "ok: $3 = '$1'"
}

# What each harness adds to the diagnostics of a failure and to the clean-up (before the
# background programs are stopped); a harness redefines them.
cf__diagnose_more() { :; }
cf__cleanup_more() { :; }

cf__diagnose() {
    ((CF_DIAGNOSED)) && return 0
    CF_DIAGNOSED=1
    [[ -n $CF_ARTIFACTS && -d $CF_ARTIFACTS ]] || return 0
    [[ -n ${DISPLAY:-} && -n $CF_XVFB_PID ]] && cf_screenshot "$CF_ARTIFACTS/failure.png"
    cf__log_jobs
    cf__diagnose_more
    cf_log "diagnostics in $CF_ARTIFACTS"
}

# cf__log_jobs [NAME...]: logs the state of each background program (of those named, when
# given): still running, or its exit code and the start of what it wrote to stderr. A CI log
# then tells a program that never showed from one that ended early.
cf__log_jobs() {
    local name pid
    (($#)) || set -- "${!CF_JOB_PID[@]}"
    for name; do
        pid=${CF_JOB_PID[$name]}
        if cf_running "$name"; then
            cf_log "$name (pid $pid) is still running"
            continue
        fi
        cf__collect_exit "$name"
        cf_log "$name (pid $pid) has ended with exit code ${CF_JOB_STATUS[$name]}"
        [[ -s $CF_ARTIFACTS/$name.err ]] &&
            cf_log "$name's stderr begins: $(head -c 300 "$CF_ARTIFACTS/$name.err" | tr '\n' ' ')"
    done
}

cf__now_ms() {
    local micros=${EPOCHREALTIME//[!0-9]/}
    CF_NOW_MS=$((10#$micros / 1000))
}

# cf_poll LIMIT COMMAND [ARG...]: runs COMMAND every CF_POLL_INTERVAL until it succeeds (status
# 0) or LIMIT seconds (a decimal fraction allowed) have passed (status 1). The limit is cut to
# what the test's own limit leaves before its reserve; clean-up, which runs after, is not cut.
cf_poll() {
    local whole=${1%.*} fraction=000 end
    [[ $1 == *.* ]] && fraction=${1#*.}000
    shift
    cf__now_ms
    end=$((CF_NOW_MS + 10#${whole:-0} * 1000 + 10#${fraction:0:3}))
    if ((!CF_CLEANED_UP && end > CF_DEADLINE_MS - CF_RESERVE_MS)); then
        end=$((CF_DEADLINE_MS - CF_RESERVE_MS))
        ((end > CF_NOW_MS)) || cf_fail "the test's time limit of ${CF_TEST_LIMIT} s is used up"
    fi
    while ! "$@"; do
        cf__now_ms
        ((CF_NOW_MS < end)) || return 1
        sleep "$CF_POLL_INTERVAL"
    done
}


# cf__options OPTION...: the options that CTest passes, each with a value. Later ones win, so a
# script may put its own defaults before "$@".
declare -A CF_OPTIONS=([--name]=CF_TEST_NAME [--build-dir]=CF_BUILD_DIR [--screen]=CF_SCREEN
    [--limit]=CF_TEST_LIMIT [--saver]=CF_SAVER [--tool]=CF_CINEFOLD [--winprobe]=CF_WINPROBE
    [--program]=CF_PROGRAM [--window-program]=CF_WINDOW_PROGRAM)
cf__options() {
    while (($#)); do
        [[ -n ${CF_OPTIONS[$1]:-} && $# -ge 2 ]] || cf_fail "unknown option, or one without a value: '$1'"
        printf -v "${CF_OPTIONS[$1]}" '%s' "$2"
        shift 2
    done
}

# cf_need TOOL...: fails unless every tool is on PATH.
cf_need() {
    local tool missing=()
    for tool; do command -v "$tool" >/dev/null || missing+=("$tool"); done
    ((${#missing[@]} == 0)) || cf_fail "missing tools: ${missing[*]}"
}

# cf__setup TOOL...: the traps and the deadline, the screen size, the lock file's descriptor
# (CF_LOCK_FILE, opened first so that every program started from here on can be given it
# closed), the tools the test needs, the temp dir and the artifacts folder.
cf__setup() {
    trap 'cf__on_exit' EXIT
    trap 'cf__on_signal INT 130' INT
    trap 'cf__on_signal TERM 143' TERM
    cf__now_ms
    CF_DEADLINE_MS=$((CF_NOW_MS + CF_TEST_LIMIT * 1000))
    [[ $CF_SCREEN =~ ^([0-9]+)x([0-9]+)x(8|16|24)$ ]] || cf_fail "bad screen size '$CF_SCREEN'"
    CF_SCREEN_WIDTH=${BASH_REMATCH[1]}
    CF_SCREEN_HEIGHT=${BASH_REMATCH[2]}
    exec {CF_LOCK_FD}>"$CF_LOCK_FILE"
    cf_need "$@" Xvfb xdpyinfo xdotool import convert compare timeout
    CF_TMP=$(mktemp -d "${TMPDIR:-/tmp}/cinefold-$CF_KIND.XXXXXX") || cf_fail "cannot make a temp dir"
    CF_ARTIFACTS=${CF_BUILD_DIR:-$CF_TMP}/$CF_KIND-artifacts/$CF_TEST_NAME
    rm -rf -- "$CF_ARTIFACTS" && mkdir -p -- "$CF_ARTIFACTS" || cf_fail "cannot make $CF_ARTIFACTS"
}

# cf__start_xvfb [ARG...]: Xvfb on a free display number of its own choosing, which it writes
# once it accepts connections; tried three times. The server's own time limit ends it even if
# this shell is killed outright.
cf__start_xvfb() {
    local attempt display_file=$CF_TMP/display number=
    for attempt in 1 2 3; do
        : >"$display_file"
        timeout -k 5 $((CF_TEST_LIMIT + 60)) Xvfb -displayfd 3 -screen 0 "$CF_SCREEN" \
            -nolisten tcp -noreset "$@" 3>"$display_file" >"$CF_TMP/xvfb.log" 2>&1 \
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
    [[ $(head -n 1 "$1" 2>/dev/null) =~ ^[0-9]+$ ]] || ! cf_alive "$CF_XVFB_PID"
}

cf__display_answers() {
    local info
    info=$(timeout 10 xdpyinfo 2>/dev/null) || return 1
    [[ $info == *"dimensions:"*" ${CF_SCREEN_WIDTH}x${CF_SCREEN_HEIGHT} pixels"* ]]
}

cf__stop_xvfb() {
    [[ -n $CF_XVFB_PID ]] || return 0
    # shellcheck disable=SC2086 # no server id, or one
    cf__terminate "$CF_XVFB_PID" $CF_XVFB_SERVER_PID
    wait "$CF_XVFB_PID" 2>/dev/null
    CF_XVFB_PID= CF_XVFB_SERVER_PID=
}


# A process that exists and is not a zombie. The command name in /proc/PID/stat may hold
# blanks, so the state is read after its closing parenthesis.
cf_alive() {
    local stat=
    [[ -n $1 ]] && read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
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

# Sends TERM to each live pid, waits up to 10 s for them to go, then sends KILL.
cf__terminate() {
    local pid alive=()
    for pid in "$@"; do
        cf_alive "$pid" && alive+=("$pid") && kill -TERM "$pid" 2>/dev/null
    done
    ((${#alive[@]})) || return 0
    CF_TERMINATING=("${alive[@]}")
    cf_poll 10 cf__all_ended && return 0
    for pid in "${alive[@]}"; do
        cf_alive "$pid" && cf_log "killing pid $pid" && kill -KILL "$pid" 2>/dev/null
    done
    return 0
}

cf__all_ended() {
    local pid
    for pid in "${CF_TERMINATING[@]}"; do cf_alive "$pid" && return 1; done
    return 0
}

# cf_job NAME COMMAND [ARG...]: starts a program in the background with its output in the
# artifacts folder (NAME.out, NAME.err); cf_wait_exit NAME collects its exit code.
cf_job() {
    local name=$1
    shift
    timeout -k 5 $((CF_TEST_LIMIT + 30)) "$@" </dev/null >"$CF_ARTIFACTS/$name.out" \
        2>"$CF_ARTIFACTS/$name.err" {CF_LOCK_FD}>&- &
    CF_JOB_PID[$name]=$!
    unset "CF_JOB_STATUS[$name]"
    cf_log "started $name (pid $!): $*"
}

# cf_running NAME: status 0 while the program started as NAME is still running.
cf_running() { cf_alive "${CF_JOB_PID[$1]:-}"; }

cf__job_ended() { ! cf_running "$1"; }

# cf_wait_exit NAME [LIMIT]: waits until the program started as NAME has ended and sets
# CF_EXIT to its exit code. Status 1 when it is still running after LIMIT seconds.
cf_wait_exit() {
    local name=$1 pid=${CF_JOB_PID[$1]:-}
    [[ -n $pid ]] || cf_fail "no program was started as '$name'"
    if [[ -z ${CF_JOB_STATUS[$name]:-} ]]; then
        cf_poll "${2:-$CF_WAIT_LIMIT}" cf__job_ended "$name" || return 1
    fi
    cf__collect_exit "$name"
    CF_EXIT=${CF_JOB_STATUS[$name]}
    cf_log "$name ended with exit code $CF_EXIT"
}

# cf__collect_exit NAME: keeps the exit code of the program started as NAME, which has ended,
# in CF_JOB_STATUS (once: the shell forgets it after the first wait).
cf__collect_exit() {
    [[ -n ${CF_JOB_STATUS[$1]:-} ]] && return 0
    wait "${CF_JOB_PID[$1]}" 2>/dev/null
    CF_JOB_STATUS[$1]=$?
}

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


# cf_screenshot FILE [WINDOW]: the window's picture (the whole screen by default), RGB only.
cf_screenshot() {
    timeout 20 import -window "${2:-root}" "$CF_TMP/grab.png" 2>/dev/null &&
        convert "$CF_TMP/grab.png" -alpha off "PNG24:$1" 2>/dev/null && CF_LAST_SCREENSHOT=$1
}

# cf_shows WINDOW EXPECTED [GEOMETRY]: a screenshot of the window (cropped to WxH+X+Y when
# given), kept as $CF_TMP/shot.png, equals the PNG EXPECTED pixel for pixel. CF_DIFFERENT holds
# the differing count.
cf_shows() {
    local shot=$CF_TMP/shot.png
    cf_screenshot "$shot" "$1" || return 1
    if [[ -n ${3:-} ]]; then convert "$shot" -crop "$3" +repage "PNG24:$shot" || return 1; fi
    CF_DIFFERENT=$(compare -metric AE "$shot" "$2" null: 2>&1)
    [[ $CF_DIFFERENT == 0 ]]
}

# cf_wait_picture WHAT WINDOW EXPECTED [GEOMETRY]: waits until the window shows the picture; on
# a timeout keeps both pictures and fails.
cf_wait_picture() {
    CF_DIFFERENT=
    if ! cf_poll "$CF_WAIT_LIMIT" cf_shows "$2" "$3" "${4:-}"; then
        cp -- "$CF_TMP/shot.png" "$CF_ARTIFACTS/$1-shown.png" 2>/dev/null
        cp -- "$3" "$CF_ARTIFACTS/$1-expected.png"
        cf_fail "$1: the picture differs in ${CF_DIFFERENT:-every} pixels"
    fi
    cf_log "ok: $1 shows the expected picture"
}

# cf_render OUT FILE ARG...: the native tool's picture of FILE (cinefold render FILE ARG...).
cf_render() {
    local out=$1 file=$2
    shift 2
    [[ -x $CF_CINEFOLD ]] || cf_fail "the native cinefold tool is not built ('$CF_CINEFOLD')"
    "$CF_CINEFOLD" render "$file" "$@" -o "$out" >/dev/null ||
        cf_fail "cinefold render $(basename "$file") $* failed"
}


cf__on_signal() {
    trap - INT TERM
    cf_log "stopped by SIG$1"
    cf__diagnose
    exit "$2"
}

cf__on_exit() {
    local status=$? name
    if ((!CF_CLEANED_UP)); then
        CF_CLEANED_UP=1
        trap - INT TERM
        cf__cleanup_more
        for name in "${!CF_JOB_PID[@]}"; do
            cf__terminate "${CF_JOB_PID[$name]}"
            wait "${CF_JOB_PID[$name]}" 2>/dev/null
        done
        cf__stop_xvfb
        if [[ -n $CF_LOCK_FD ]]; then exec {CF_LOCK_FD}>&-; fi
        if [[ -n $CF_TMP && -d $CF_TMP ]]; then rm -rf -- "$CF_TMP"; fi
        # What a test leaves behind is kept only when it failed.
        if ((status == 0)) && [[ -n $CF_ARTIFACTS ]]; then rm -rf -- "$CF_ARTIFACTS"; fi
    fi
    if ((status == 0)); then
        cf_log "passed"
    else
        cf_log "failed with status $status (artifacts in $CF_ARTIFACTS)"
    fi
    exit "$status"
}
