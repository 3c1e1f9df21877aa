#!/usr/bin/env bash
# The saver as XScreenSaver 6 runs it. cmake --install puts it into a private prefix; a private
# ~/.xscreensaver runs it alone, with the command line that the settings dialog makes from the
# installed cinefold-saver.xml (the command, the file and the stretch option). Activated, the
# screen shows exactly what "cinefold render" draws of the held frame, stretched; deactivated,
# XScreenSaver ends our process.
#
# XScreenSaver's display process refuses to start any saver as root ("running as root: not
# launching hacks"), so under root the daemon and its commands run as the user nobody.

source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
cf_begin --screen 640x480x24 "$@"
cf_need xscreensaver xscreensaver-command cmake
held=$CF_TMP/held.cfc
frame=7
cf_held_animation "$held" "$frame"

prefix=$CF_TMP/prefix
cmake --install "$CF_BUILD_DIR" --prefix "$prefix" >"$CF_ARTIFACTS/install.log" ||
    cf_fail "cmake --install failed"
saver=$prefix/libexec/xscreensaver/cinefold-saver
config=$prefix/share/xscreensaver/config/cinefold-saver.xml
[[ -x $prefix/bin/cinefold && -x $saver && -f $config ]] ||
    cf_fail "cmake --install left out the tool, the saver or its XScreenSaver description"

# attribute ELEMENT ATTRIBUTE: the attribute of the description's element that starts with
# ELEMENT (each element of it is written on one line).
attribute() { sed -n "s/^ *<$1 .*$2=\"\([^\"]*\)\".*/\1/p" "$config"; }
command_line="cinefold-saver $(attribute command arg) $(attribute file arg)"
command_line="${command_line/\%/$held} $(attribute 'boolean id="stretch"' arg-set)"

as_user=()
if ((EUID == 0)); then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    chmod 755 "$CF_TMP"
fi
export HOME=$CF_TMP/home
mkdir -p "$HOME" && cat >"$HOME/.xscreensaver" <<EOF || cf_fail "cannot write ~/.xscreensaver"
mode: one
selected: 0
lock: False
fade: False
unfade: False
splash: False
dpmsEnabled: False
timeout: 0:30:00
programs: $command_line
EOF
((EUID == 0)) && chown -R nobody: "$HOME"
cf_log "programs: $command_line"

cf_render "$CF_TMP/expected.png" "$held" --frame "$frame" --screen 640x480 --stretch
PATH=${saver%/*}:$PATH cf_job xscreensaver "${as_user[@]}" xscreensaver -no-splash -verbose
cf_poll "$CF_WAIT_LIMIT" "${as_user[@]}" xscreensaver-command -version >/dev/null 2>&1 ||
    cf_fail "XScreenSaver does not answer"
"${as_user[@]}" xscreensaver-command -activate >/dev/null || cf_fail "cannot activate"
cf_wait_picture xscreensaver root "$CF_TMP/expected.png"

# Our process, as XScreenSaver started it.
SAVER_PID=$(for entry in /proc/[0-9]*; do
    [[ $(readlink "$entry/exe" 2>/dev/null) == "$saver" ]] && echo "${entry#/proc/}"; done)
[[ $SAVER_PID =~ ^[0-9]+$ ]] || cf_fail "not one cinefold-saver process, though the screen shows the animation"
"${as_user[@]}" xscreensaver-command -deactivate >/dev/null || cf_fail "cannot deactivate"
cf_poll "$CF_WAIT_LIMIT" eval '! cf_alive "$SAVER_PID"' ||
    cf_fail "cinefold-saver (pid $SAVER_PID) still runs after deactivation"
cf_log "ok: deactivation ended cinefold-saver"
