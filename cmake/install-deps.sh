#!/bin/sh
# Installs, from Debian's packages, everything the build and the tests need:
# the i686 mingw-w64 compilers, 32-bit Wine (the programs that ship are i686
# and the tests run them as they are), a virtual display, pseudo-terminal pairs,
# GoogleTest sources and ImageMagick. Where the kernel cannot run 32-bit
# programs, where 32-bit Wine cannot be installed from the package archive (or
# QVX_TEST_ARCH=x86_64 asks for it), also the x86_64 compilers and 64-bit Wine,
# which the tests then use (cmake/test-arch.sh). Does nothing when all of it
# is there.
#
# A package archive is often out of step with itself for a while (a mirror in
# the middle of a sync): an index that fails to download is tried again, then
# done without; an installation that fails for broken packages (a library
# whose newer amd64 version has no i386 twin yet) is tried once more preferring
# the release's own versions, which exist for every architecture. Nothing
# installed is ever downgraded, removed or held. What cannot be had is named
# in one line, with the command to try by hand. Never reads standard input.
set -u
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
# The kernel probe is looked up on PATH with this folder last, so that a test
# can put fakes of it, apt-get and dpkg ahead.
PATH=$PATH:$here
export DEBIAN_FRONTEND=noninteractive
SUDO=""
# sudo resets the environment: apt and debconf must still ask nothing.
[ "$(id -u)" -eq 0 ] || SUDO="sudo env DEBIAN_FRONTEND=noninteractive"
# A dead network ends a download after a bounded wait, not never.
NET="-o Acquire::Retries=1 -o Acquire::http::Timeout=20 -o Acquire::https::Timeout=20"
codename=$(. /etc/os-release 2>/dev/null; echo "${VERSION_CODENAME:-}")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
log=$tmp/log
updated="" i386=""

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

runs_i386() {
    if [ -z "$i386" ]; then
        kernel-runs-i386.sh
        # Where the probe cannot tell, 32-bit Wine is tried; test-arch.sh
        # then finds out whether it runs.
        [ $? = 1 ] && i386=no || i386=yes
    fi
    [ $i386 = yes ]
}

# apt-get update, at most three times; an index that still fails is named and
# done without (the installation then finds out whether it was needed). A
# network that does not answer at all is not asked again.
update_lists() {
    [ -n "$updated" ] && return 0
    updated=1
    for try in 1 2 3; do
        $SUDO timeout -k 10 120 apt-get update -qq $NET </dev/null >"$log" 2>&1 &&
            ! grep -q 'Failed to fetch' "$log" && return 0
        grep -q 'Failed to fetch' "$log" &&
            ! grep -Eq 'Temporary failure resolving|Could not resolve|Could not connect|Connection timed out|Network is unreachable' "$log" ||
            break
        [ $try = 3 ] || sleep 5
    done
    failed=$(awk '/Failed to fetch/ { sub(/.*Failed to fetch +/, ""); url = $1; $1 = "";
        sub(/^ +/, ""); sub(/ *\[IP:.*/, ""); printf "%s%s (%s)", sep, url, $0; sep = "; " }' "$log")
    [ -n "$failed" ] || failed=$(first_error)
    echo "install-deps: apt-get update could not fetch $failed after $try tries; going on with the package lists as they are"
}

# apt-get install [-t RELEASE] PACKAGES; its output is shown and kept in $log.
apt_install() {
    { $SUDO apt-get install -y -qq --no-install-recommends --no-remove $NET \
        -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold \
        "$@" </dev/null 2>&1; echo $? >"$tmp/rc"; } | tee "$log"
    return "$(cat "$tmp/rc")"
}

# Installs PACKAGES; where the archive's newest versions do not fit together,
# tries once more with the release's own.
get() {
    apt_install "$@" && return 0
    [ -n "$codename" ] &&
        grep -Eq 'held broken packages|unmet dependencies|Unable to correct problems' "$log" || return 1
    echo "install-deps: the newest versions in the archive do not fit together; trying $codename's own (-t $codename)"
    apt_install -t "$codename" "$@"
}

# apt's first error, or its last word when it gave none (sudo that may not
# run, say).
first_error() {
    { grep '^E:' "$log" || grep -v '^ *$' "$log" | tail -n 1; } | head -n 1 | sed 's/^E: //; s/\.$//'
}

# Installs those of PACKAGES that are not installed. i386 packages (NAME:i386)
# only where the kernel runs 32-bit programs; where they cannot be installed,
# the rest still is, and test-arch.sh then picks the x86_64 build.
install_missing() {
    missing="" i386_missing=""
    for p in "$@"; do
        installed "$p" && continue
        case $p in
        *:i386) runs_i386 && i386_missing="$i386_missing $p" ;;
        *) missing="$missing $p" ;;
        esac
    done
    [ -z "$missing$i386_missing" ] && return 0
    echo "installing:$missing$i386_missing"
    if [ -n "$i386_missing" ]; then
        dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
    fi
    update_lists
    get $missing $i386_missing && return 0
    if [ -n "$i386_missing" ]; then
        why=$(first_error)
        # What failed may have been something else: the rest alone, then
        # 32-bit Wine alone.
        if [ -z "$missing" ] || get $missing; then
            if [ -n "$missing" ]; then
                get $i386_missing && return 0
                why=$(first_error)
            fi
            echo "install-deps: 32-bit Wine (${i386_missing# }) could not be installed from the package archive ($why); the tests, demo and benchmarks run the x86_64 build instead. To try again by hand: ${SUDO:+sudo }apt-get update && ${SUDO:+sudo }apt-get install ${codename:+-t $codename}$i386_missing"
            return 0
        fi
    fi
    echo "install-deps: could not install$missing$i386_missing ($(first_error)). Try by hand: ${SUDO:+sudo }apt-get update && ${SUDO:+sudo }apt-get install$missing$i386_missing"
    exit 1
}

install_missing g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
    wine wine32:i386 fonts-wine xvfb socat xdotool googletest imagemagick cmake make mtools zip python3
if [ "$(./test-arch.sh)" = x86_64 ]; then
    install_missing g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64
fi
