#!/bin/sh
# CPU time of cinefold-saver playing the built-in demo, stretched, on the root window of a
# private Xvfb screen, for each screen size given: the user and system time the saver process
# spends over a span of play (60 s unless SECONDS_OF_PLAY says otherwise), scaled to a minute,
# and the same for the X server, which copies each frame to its screen.
#
#   bench/linux_saver_cpu.sh SAVER [WIDTHxHEIGHT...]     (default 1920x1080 3840x2160)
set -eu

saver=${1:?usage: linux_saver_cpu.sh SAVER [WIDTHxHEIGHT...]}
shift
[ $# -gt 0 ] || set -- 1920x1080 3840x2160
span=${SECONDS_OF_PLAY:-60}
ticks=$(getconf CLK_TCK)

# utime + stime of a process, in clock ticks (fields 14 and 15 of /proc/PID/stat, counted
# after the command name, which is in parentheses and may hold blanks).
cpu_ticks() {
    sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

free_display() {
    n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    echo "$n"
}

wait_for() {
    tries=0
    until "$@"; do
        tries=$((tries + 1))
        [ $tries -lt 300 ] || { echo "gave up waiting for: $*" >&2; return 1; }
        sleep 0.1
    done
}

for size in "$@"; do
    display=$(free_display)
    Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    wait_for test -e "/tmp/.X11-unix/X$display"
    DISPLAY=":$display" "$saver" --root --stretch &
    pid=$!
    # The first frames map pages and warm caches; the figure is for steady play.
    sleep 2
    saver_start=$(cpu_ticks $pid)
    server_start=$(cpu_ticks $xvfb)
    sleep "$span"
    saver_end=$(cpu_ticks $pid)
    server_end=$(cpu_ticks $xvfb)
    kill -TERM $pid
    wait $pid || echo "cinefold-saver exited with $?" >&2
    kill -TERM $xvfb
    wait $xvfb 2>/dev/null || true
    awk -v size="$size" -v span="$span" -v hz="$ticks" -v s0="$saver_start" -v s1="$saver_end" \
        -v x0="$server_start" -v x1="$server_end" 'BEGIN {
            saver = (s1 - s0) / hz * 60 / span
            server = (x1 - x0) / hz * 60 / span
            printf "%s stretched: saver %.2f s CPU per minute (%.2f %% of one core), X server %.2f s\n",
                size, saver, saver / 60 * 100, server
        }'
done
