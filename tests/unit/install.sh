#!/usr/bin/env bash
# install.sh BUILD_DIR PROJECT TEMPLATE...: cmake --install of the build into a DESTDIR holds
# every file of a complete install; the installed tool, with no saver named, packs PROJECT into
# each installed template (TEMPLATE: win32 or win64) and the saver loads; every command, and the
# saver, answers --help; the manual pages format without a warning. As root, the Debian package
# from cpack is lintian-clean and installs and removes under dpkg.
set -uo pipefail
build=$1 project=$2
shift 2
tmp=$(mktemp -d) && trap 'rm -rf -- "$tmp"' EXIT || exit 1
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$tmp/root cmake --install "$build" --prefix /usr >"$tmp/install.log" 2>&1 ||
    fail "cmake --install: $(tail -n 3 "$tmp/install.log")"
usr=$tmp/root/usr
for file in bin/cinefold libexec/xscreensaver/cinefold-saver \
    share/xscreensaver/config/cinefold-saver.xml share/man/man1/cinefold.1.gz \
    share/man/man6/cinefold-saver.6.gz share/doc/cinefold/{README.md,installing-linux.md} \
    share/doc/cinefold/{project-format.md,project.schema.json,copyright,changelog.gz}; do
    [[ -f $usr/$file ]] || fail "the install has no $file"
done
for program in bin/cinefold libexec/xscreensaver/cinefold-saver; do
    file "$usr/$program" | grep -q ', stripped' || fail "$program is installed with its symbols"
done

tool=$usr/bin/cinefold
for arch in "$@"; do
    "$tool" pack "$project" --arch "$arch" -o "$tmp/$arch.scr" >"$tmp/pack.out" 2>&1 ||
        fail "installed pack --arch $arch: $(cat "$tmp/pack.out")"
    [[ $("$tool" info "$tmp/$arch.scr") == *": a saver carrying an animation"* ]] ||
        fail "the $arch saver packed by the installed tool does not load"
done

for command in info frame sequence render extract bundle pack unpack import play; do
    for asked in "help $command" "$command --help" "$command -h"; do
        # shellcheck disable=SC2086
        "$tool" $asked >"$tmp/help" 2>&1 && grep -q "^usage: cinefold $command " "$tmp/help" ||
            fail "cinefold $asked: $(head -n 2 "$tmp/help")"
    done
done
[[ $("$usr/libexec/xscreensaver/cinefold-saver" --help) == "usage: cinefold-saver "* ]] ||
    fail "cinefold-saver --help"
for page in "$usr"/share/man/man*/*.gz; do
    warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1)
    [[ -z $warnings ]] || fail "${page##*/}: $warnings"
done

if ((EUID != 0)) || ! command -v dpkg >/dev/null; then
    echo "not root, or no dpkg: the Debian package is not tried"
    exit 0
fi
if dpkg -s cinefold >/dev/null 2>&1; then
    echo "a cinefold package is installed already, and is left alone: the package is not tried"
    exit 0
fi
(cd "$tmp" && cpack -G DEB -B "$tmp/deb" --config "$build/CPackConfig.cmake") >"$tmp/cpack.log" 2>&1 ||
    fail "cpack: $(tail -n 3 "$tmp/cpack.log")"
deb=$(echo "$tmp"/deb/cinefold_*.deb)
if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" >"$tmp/lintian" 2>&1 || fail "lintian: $(cat "$tmp/lintian")"
fi
# dpkg waits for no lock: another package manager may hold it for a while.
dpkg_retrying() {
    for ((try = 0; try < 60; ++try)); do
        dpkg "$@" >"$tmp/dpkg.log" 2>&1 && return 0
        grep -q 'lock' "$tmp/dpkg.log" || return 1
        sleep 5
    done
    return 1
}
dpkg_retrying -i "$deb" || fail "dpkg -i: $(tail -n 3 "$tmp/dpkg.log")"
version=$(/usr/bin/cinefold --version)
dpkg_retrying -r cinefold || fail "dpkg -r: $(tail -n 3 "$tmp/dpkg.log")"
[[ $version == "cinefold "* ]] || fail "the packaged tool says '$version' to --version"
for gone in /usr/bin/cinefold /usr/share/cinefold /usr/share/doc/cinefold; do
    [[ ! -e $gone ]] || fail "dpkg -r left $gone"
done
echo "installed, packed, packaged, installed and removed"
