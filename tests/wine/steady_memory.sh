#!/usr/bin/env bash
# A long run does not grow: the shipped saver plays the demo animation, stretched to the screen,
# at its 100 ms period, so real frames are composed (a background, masked sprites stretched and
# mirrored) and presented with a stretch each, some 600 of them while it is measured. Its private
# memory and working set (from the Windows side), its graphics objects and the resident size of
# its Wine process are sampled every 10 seconds for a minute after a warm-up; none may grow
# beyond a small allowance. The first key press afterwards closes it. The samples are kept in
# the artifacts (memory.txt). Wine reports no private bytes and no object counts (they read 0),
# so there the working set and the resident size carry the check: they stay the same to the
# page in that minute, and a memory device context left undeleted on each paint grows them by
# about 700 KiB.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin "$@"
warm_up_seconds=20
run_seconds=80
allowance_kib=256
samples="$CF_ARTIFACTS/memory.txt"
cf_store_stretch 1

cf_start_saver saver
# The corner of the demo's background reaches the corner of the screen only when the demo plays
# stretched.
cf_wait_pixels 60 0,0=68ADE1 || cf_fail "the demo does not play stretched"
# The saver's Wine process is the Wine loader of this test's prefix that runs cinefold.scr
# (another build's tests may run a saver of their own at the same time).
saver_process() {
    local pid
    cf__find_prefix_processes
    for pid in "${CF_PREFIX_PIDS[@]}"; do
        # Wine's loader itself, not the timeout or shell that started it.
        [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wine* ]] || continue
        if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q 'cinefold\.scr'; then
            printf '%s\n' "$pid"
            return 0
        fi
    done
    return 1
}
unix_pid=$(saver_process) || cf_fail "cannot find the saver's Wine process"
cf_log "the saver's Wine process is $unix_pid"

sample() { # prints "private workingSet gdiObjects rssKiB"
    local line rss
    line=$(cf_probe 30 memory WindowsScreenSaverClass "Screen Saver") || return 1
    [[ $line =~ private=([0-9]+).workingSet=([0-9]+).gdiObjects=([0-9]+) ]] || return 1
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$unix_pid/status" 2>/dev/null) || return 1
    printf '%s %s %s %s\n' "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" "${BASH_REMATCH[3]}" "$rss"
}

# The first sample comes after the saver has played the demo for a while: its first frames map
# code and make the caches that every later frame reuses (the working set grows by some 500 KiB
# in the first 20 seconds and then stays within a page).
cf__now_ms
started=$CF_NOW_MS
due() { cf__now_ms; ((CF_NOW_MS - started >= at * 1000)); }
echo 'seconds private workingSet gdiObjects rssKiB' >"$samples"
for ((at = warm_up_seconds; at <= run_seconds; at += 10)); do
    cf_poll $((run_seconds + 30)) due || cf_fail "the run did not reach $at seconds"
    cf_running saver || cf_fail "the saver ended by itself after about $at seconds"
    last=$(sample) || cf_fail "cannot read the saver's memory at $at seconds"
    printf '%s %s\n' "$at" "$last" >>"$samples"
    ((at == warm_up_seconds)) && first=$last
done
cat "$samples" >&2

read -r p0 w0 g0 r0 <<<"$first"
read -r p1 w1 g1 r1 <<<"$last"
cf_log "private $p0 -> $p1 bytes, working set $w0 -> $w1 bytes, GDI objects $g0 -> $g1, RSS $r0 -> $r1 KiB"
((p1 - p0 <= allowance_kib * 1024)) || cf_fail "private memory grew by $(((p1 - p0) / 1024)) KiB"
((w1 - w0 <= allowance_kib * 1024)) || cf_fail "the working set grew by $(((w1 - w0) / 1024)) KiB"
((g1 <= g0)) || cf_fail "the saver holds $((g1 - g0)) more graphics objects"
((r1 - r0 <= allowance_kib)) || cf_fail "the Wine process grew by $((r1 - r0)) KiB"

cf_focus "$CF_SAVER_XID" 2>/dev/null
cf_key space || cf_fail "cannot press a key"
cf_wait_exit saver 30 || cf_fail "the first key press did not close the saver"
cf_expect_eq "$CF_EXIT" 0 "exit code after the key press"
cf_forget_settings
