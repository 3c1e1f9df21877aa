# shellcheck shell=bash
# The X11 test harness. A test script sources this file and calls xt_begin "$@" first; the
# harness then starts a private Xvfb display on a free number and stops everything the test
# starts, by process id, on any exit. Every program runs under timeout(1) with the test's limit,
# so nothing outlives a test that CTest kills outright. Waits poll within a limit in seconds;
# nothing sleeps a fixed time to wait for something. Test scripts check results with
# "|| xt_fail ...", not "set -e".

XT_POLL_INTERVAL=0.05
XT_WAIT_LIMIT=30
XT_NAME=x11_test XT_SCREEN=640x480x24 XT_LIMIT=120 XT_BUILD_DIR= XT_TMP= XT_ARTIFACTS=
XT_TOOL= XT_SAVER= XT_WINDOW_PROGRAM=
XT_DEADLINE_MS=0 XT_XVFB_PID= XT_CLEANED_UP=0
declare -A XT_PID=()

xt_log() { printf '[%(%T)T %s] %s\n' -1 "$XT_NAME" "$*" >&2; }

xt_fail() {
    xt_log "FAIL: $*"
    [[ $BASHPID == "$$" ]] || exit 1
    [[ -n ${DISPLAY:-} && -d $XT_ARTIFACTS ]] && xt_screenshot "$XT_ARTIFACTS/failure.png" root
    exit 1
}

xt_expect_eq() {
    [[ $1 == "$2" ]] || xt_fail "$3: expected '$2', got '$1'"
    xt_log "ok: $3 = '$1'"
}

xt__now_ms() {
    local micros=${EPOCHREALTIME//[!0-9]/}
    XT_NOW_MS=$((10#$micros / 1000))
}

# xt_poll LIMIT COMMAND [ARG...]: runs COMMAND until it succeeds (status 0) or LIMIT seconds
# (a decimal fraction allowed), cut to what is left of the test's own limit, have passed
# (status 1). Clean-up is not cut: it runs after the limit.
xt_poll() {
    local end whole=${1%.*} fraction=000
    [[ $1 == *.* ]] && fraction=${1#*.}000
    xt__now_ms
    end=$((XT_NOW_MS + 10#${whole:-0} * 1000 + 10#${fraction:0:3}))
    ((end < XT_DEADLINE_MS || XT_CLEANED_UP)) || end=$XT_DEADLINE_MS
    shift
    while :; do
        "$@" && return 0
        xt__now_ms
        ((XT_NOW_MS < end)) || return 1
        sleep "$XT_POLL_INTERVAL"
    done
}

# xt_begin [--name NAME] [--build-dir DIR] [--screen WxHxD] [--limit SECONDS] [--tool CINEFOLD]
# [--saver CINEFOLD_SAVER] [--window-program TEST_WINDOW]: later options win, so a script may
# put its own before "$@".
xt_begin() {
    while (($# >= 2)); do
        case $1 in
        --name) XT_NAME=$2 ;;
        --build-dir) XT_BUILD_DIR=$2 ;;
        --screen) XT_SCREEN=$2 ;;
        --limit) XT_LIMIT=$2 ;;
        --tool) XT_TOOL=$2 ;;
        --saver) XT_SAVER=$2 ;;
        --window-program) XT_WINDOW_PROGRAM=$2 ;;
        *) break ;;
        esac
        shift 2
    done
    (($# == 0)) || xt_fail "unknown arguments: $*"
    trap 'xt__cleanup' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    xt__now_ms
    XT_DEADLINE_MS=$((XT_NOW_MS + XT_LIMIT * 1000))
    [[ $XT_SCREEN =~ ^[0-9]+x[0-9]+x[0-9]+$ ]] || xt_fail "bad screen size '$XT_SCREEN'"
    local tool missing=()
    for tool in Xvfb xdpyinfo xwininfo xdotool import convert compare timeout; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    ((${#missing[@]} == 0)) || xt_fail "missing tools: ${missing[*]}"
    XT_TMP=$(mktemp -d "${TMPDIR:-/tmp}/cinefold-x11.XXXXXX") || xt_fail "cannot make a temp dir"
    XT_ARTIFACTS=${XT_BUILD_DIR:-$XT_TMP}/x11-artifacts/$XT_NAME
    rm -rf -- "$XT_ARTIFACTS" && mkdir -p -- "$XT_ARTIFACTS" || xt_fail "cannot make $XT_ARTIFACTS"
    xt__start_xvfb
    xt_log "display $DISPLAY ($XT_SCREEN), limit $XT_LIMIT s"
}

# Xvfb picks a free display number itself and writes it once it accepts connections.
xt__start_xvfb() {
    local number_file=$XT_TMP/display
    : >"$number_file"
    timeout -k 5 $((XT_LIMIT + 30)) Xvfb -displayfd 3 -screen 0 "$XT_SCREEN" -nolisten tcp \
        -noreset 3>"$number_file" >"$XT_ARTIFACTS/xvfb.log" 2>&1 &
    XT_XVFB_PID=$!
    xt_poll 30 xt__xvfb_settled "$number_file"
    [[ $(head -n 1 "$number_file") =~ ^[0-9]+$ ]] || xt_fail "Xvfb did not start"
    export DISPLAY=:${BASH_REMATCH[0]}
    xt_poll 30 eval 'timeout 10 xdpyinfo >/dev/null 2>&1' || xt_fail "Xvfb does not answer"
}

xt__xvfb_settled() { [[ -s $1 ]] || ! xt_alive "$XT_XVFB_PID"; }

# A process that exists and is not a zombie.
xt_alive() {
    local stat=
    [[ -n $1 ]] && read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
    stat=${stat##*) }
    [[ ${stat%% *} != Z ]]
}

# xt_start NAME COMMAND [ARG...]: starts a program in the background with its output in the
# artifacts folder (NAME.out, NAME.err); XT_PID[NAME] is its process id. Its input is
# XT_STDIN when set.
xt_start() {
    local name=$1
    shift
    timeout -k 5 $((XT_LIMIT + 30)) "$@" <"${XT_STDIN:-/dev/null}" >"$XT_ARTIFACTS/$name.out" \
        2>"$XT_ARTIFACTS/$name.err" &
    XT_PID[$name]=$!
    xt_log "started $name (pid $!): $*"
}

# xt_start_piped NAME COMMAND [ARG...]: like xt_start, with the program's standard input on a
# pipe that the script writes to with xt_send NAME LINE.
declare -A XT_INPUT=()
xt_start_piped() {
    local name=$1 fd
    shift
    mkfifo "$XT_TMP/$name.in" || xt_fail "cannot make a pipe for $name"
    XT_STDIN=$XT_TMP/$name.in xt_start "$name" "$@"
    exec {fd}>"$XT_TMP/$name.in"
    XT_INPUT[$name]=$fd
}

xt_send() { printf '%s\n' "$2" >&"${XT_INPUT[$1]}"; }

xt__ended() { ! xt_alive "${XT_PID[$1]:-}"; }

# xt_wait_exit NAME [LIMIT]: waits for the program to end and sets XT_EXIT to its exit code.
xt_wait_exit() {
    xt_poll "${2:-$XT_WAIT_LIMIT}" xt__ended "$1" || return 1
    wait "${XT_PID[$1]}"
    XT_EXIT=$?
}

# xt_stop NAME: TERM, up to 10 s to go, then KILL.
xt_stop() {
    local pid=${XT_PID[$1]:-}
    xt_alive "$pid" || return 0
    kill -TERM "$pid" 2>/dev/null
    xt_poll 10 xt__ended "$1" || kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

# xt_line NAME PATTERN [LIMIT]: waits until the program's output has a line matching the
# extended regular expression and prints the first one.
xt_line() {
    xt_poll "${3:-$XT_WAIT_LIMIT}" grep -qE -- "$2" "$XT_ARTIFACTS/$1.out" || return 1
    grep -m 1 -E -- "$2" "$XT_ARTIFACTS/$1.out"
}

# xt_mapped WINDOW: status 0 while the window is viewable.
xt_mapped() { timeout 10 xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

# xt_screenshot FILE WINDOW: the window's picture (or the whole screen for "root"), RGB only.
xt_screenshot() {
    local tmp=$XT_TMP/grab.png
    timeout 20 import -window "$2" "$tmp" 2>/dev/null &&
        convert "$tmp" -alpha off "PNG24:$1" 2>/dev/null
}

# xt_shows WINDOW EXPECTED [GEOMETRY]: a screenshot of the window (cropped to WxH+X+Y when
# given) equals the PNG EXPECTED pixel for pixel. XT_DIFFERENT holds the differing count.
xt_shows() {
    local shot=$XT_TMP/shot.png
    xt_screenshot "$shot" "$1" || return 1
    if [[ -n ${3:-} ]]; then convert "$shot" -crop "$3" +repage "PNG24:$shot" || return 1; fi
    XT_DIFFERENT=$(compare -metric AE "$shot" "$2" null: 2>&1)
    [[ $XT_DIFFERENT == 0 ]]
}

# xt_wait_picture WHAT WINDOW EXPECTED [GEOMETRY]: waits until the window shows the picture; on
# a timeout keeps both pictures and fails.
xt_wait_picture() {
    XT_DIFFERENT=
    if ! xt_poll "$XT_WAIT_LIMIT" xt_shows "$2" "$3" "${4:-}"; then
        cp -- "$XT_TMP/shot.png" "$XT_ARTIFACTS/$1-shown.png" 2>/dev/null
        cp -- "$3" "$XT_ARTIFACTS/$1-expected.png"
        xt_fail "$1: the picture differs in ${XT_DIFFERENT:-every} pixels"
    fi
    xt_log "ok: $1 shows the expected picture"
}

# xt_held_animation OUT FRAME [PERIOD]: a small animation packed by the tool into the container
# OUT: a sprite moving over a background, with jumps that go from frame 0 to FRAME (1 to 19) at
# the first tick and hold it there, so that a picture of the running saver can be compared with
# the tool's picture of that frame. PERIOD is the frame period in tenths of a second (1).
xt_held_animation() {
    local dir=$XT_TMP/project
    mkdir -p -- "$dir" &&
        convert -size 120x80 gradient:'#306090'-'#90c060' -depth 8 "PNG24:$dir/sea.png" &&
        convert -size 30x20 xc:none -fill '#f0c020' -draw 'ellipse 15,10 14,9 0,360' -depth 8 \
            "PNG32:$dir/fish.png" || xt_fail "cannot draw the animation's pictures"
    cat >"$dir/project.json" <<EOF
{"stage": {"width": 150, "height": 100, "backColor": "#203040", "framePeriod": ${3:-1}},
 "images": [{"image": 1, "file": "fish.png"}, {"image": 100, "file": "sea.png"}],
 "background": [{"frame": 0, "image": 100, "interpolation": "linear"},
                {"frame": 20, "image": 100}],
 "layers": [{"layer": 1, "keys": [
     {"frame": 0, "image": 1, "centre": [20, 20], "interpolation": "linear"},
     {"frame": 20, "image": 1, "centre": [130, 80]}]}],
 "jumps": [{"frame": 0, "to": $2}, {"frame": $2, "to": $2}]}
EOF
    "$XT_TOOL" pack "$dir/project.json" -o "$1" >/dev/null || xt_fail "cinefold pack failed"
}

# xt_render OUT FILE ARG...: the tool's picture of FILE (cinefold render FILE ARG... -o OUT).
xt_render() {
    local out=$1 file=$2
    shift 2
    "$XT_TOOL" render "$file" "$@" -o "$out" || xt_fail "cinefold render $* failed"
}

xt__cleanup() {
    local status=$? name
    ((XT_CLEANED_UP)) && return
    XT_CLEANED_UP=1
    for name in "${!XT_INPUT[@]}"; do exec {XT_INPUT[$name]}>&-; done
    for name in "${!XT_PID[@]}"; do xt_stop "$name"; done
    if xt_alive "$XT_XVFB_PID"; then
        kill -TERM "$XT_XVFB_PID" 2>/dev/null
        wait "$XT_XVFB_PID" 2>/dev/null
    fi
    [[ -n $XT_TMP ]] && rm -rf -- "$XT_TMP"
    if ((status == 0)); then
        rm -rf -- "$XT_ARTIFACTS"
        xt_log "passed"
    else
        xt_log "failed with status $status (artifacts in $XT_ARTIFACTS)"
    fi
    exit "$status"
}
