#!/usr/bin/env bash
# CPU time of the Windows saver playing its built-in demo under Wine, full screen and stretched
# (or centred) on a private Xvfb screen: the user and system time of the saver's process over a
# span of play (30 s unless SECONDS_OF_PLAY says otherwise), as a share of one core and scaled to
# a minute, and the same for the X server, which takes each frame from Wine. The Wine test
# harness runs it (tests/wine/harness.sh): the build tree's own prefix under its lock, the
# saver's stretch option set for the run and removed after it.
#
#   bench/wine_saver_cpu.sh BUILD_DIR [SAVER] [WIDTHxHEIGHT] [stretched|centred]
#
# BUILD_DIR is a win32 or win64 build tree with cinefold_demo_saver and winprobe built; SAVER is
# the saver to run (BUILD_DIR/cinefold.scr, the demo's, unless given), so that two builds of it
# can be measured back to back in the same prefix.
set -u

build=${1:?usage: wine_saver_cpu.sh BUILD_DIR [SAVER] [WIDTHxHEIGHT] [stretched|centred]}
saver=${2:-$build/cinefold.scr}
size=${3:-1920x1080}
layout=${4:-stretched}
span=${SECONDS_OF_PLAY:-30}
[[ $layout == stretched || $layout == centred ]] || { echo "layout: stretched or centred" >&2; exit 2; }
ticks=$(getconf CLK_TCK)

source "$(dirname "${BASH_SOURCE[0]}")/../tests/wine/harness.sh"
cf_begin --name wine_saver_cpu --build-dir "$build" --saver "$saver" \
    --winprobe "$build/tests/wine/winprobe.exe" --screen "${size}x24" --limit $((span + 300))

# utime + stime of a process, in clock ticks (fields 14 and 15 of /proc/PID/stat, counted after
# the command name, which is in parentheses and may hold blanks).
cpu_ticks() {
    sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

# The Linux process that runs the saver: Wine's loader names it after the Windows program.
saver_process() {
    local pid name=$(basename -- "$saver")
    cf__find_prefix_processes
    for pid in "${CF_PREFIX_PIDS[@]}"; do
        [[ $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) == *"$name /s"* ]] || continue
        [[ $(cat "/proc/$pid/comm" 2>/dev/null) == timeout ]] && continue
        # The wine command that started it execs the loader, so the process may be that one.
        echo "$pid"
        return 0
    done
    return 1
}

cf_store_stretch $([[ $layout == stretched ]] && echo 1 || echo 0)
cf_start_saver saver
pid=$(saver_process) || cf_fail "no process runs $saver"
# The first frames map pages and warm caches; the figure is for steady play.
sleep 2
saver_start=$(cpu_ticks "$pid") server_start=$(cpu_ticks "$CF_XVFB_SERVER_PID")
sleep "$span"
saver_end=$(cpu_ticks "$pid") server_end=$(cpu_ticks "$CF_XVFB_SERVER_PID")
cf_running saver || cf_fail "the saver ended during the measurement"
cf_close_saver saver
cf_forget_settings

awk -v what="$(basename -- "$build") $size $layout" -v span="$span" -v hz="$ticks" \
    -v s0="$saver_start" -v s1="$saver_end" -v x0="$server_start" -v x1="$server_end" 'BEGIN {
        saver = (s1 - s0) / hz / span
        server = (x1 - x0) / hz / span
        printf "%s: saver %.2f %% of one core (%.2f s CPU per minute), X server %.2f s per minute\n",
            what, saver * 100, saver * 60, server * 60
    }'
