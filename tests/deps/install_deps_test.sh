#!/bin/sh
# cmake/install-deps.sh and cmake/test-arch.sh against a fake package archive:
# the fakes in fake/ (apt-get, apt-mark, dpkg, dpkg-query, sudo, sleep and the
# kernel probe) come first on PATH, record every call and play one case:
#   installed     everything the machine needs is there, on a kernel that runs
#                 32-bit programs and on one that does not: no apt call at all
#   failed_index  apt-get update keeps reporting an index that failed to
#                 download: it is tried again, named in one line, and the
#                 installation still runs
#   skew          the installation fails for held broken packages until it
#                 names the release (-t CODENAME)
#   no_wine32     wine32:i386 never installs: the rest and the x86_64 path
#                 (compilers, wine64) are installed, and test-arch.sh answers
#                 x86_64 for that reason
#   no_ia32       the kernel runs no 32-bit program: no i386 architecture is
#                 added, no i386 package asked for
#   probe_unknown the kernel probe cannot tell: 32-bit Wine is tried, and
#                 test-arch.sh never blames the kernel
#   unavailable   a user who needs sudo (which resets the environment), and
#                 a package the archive does not have: one line names the
#                 packages and the command to try by hand, exit 1
#   kernel_probe  the real kernel probe (cmake/kernel-runs-i386.sh) agrees
#                 with this machine's 32-bit Wine (skipped where it has none)
# In every case apt-get gets no standard input and is never asked to
# downgrade, remove or hold a package.
# usage: install_deps_test.sh CASE [FOLDER]   FOLDER holds the scripts under
#                                             test (default: cmake/)
set -u
here=$(cd "$(dirname "$0")" && pwd)
case=$1
scripts=${2:-$here/../../cmake}
if [ "$case" = kernel_probe ]; then
    [ -x /usr/lib/wine/wine ] || { echo "SKIPPED: no 32-bit Wine to compare with"; exit 77; }
    "$scripts/kernel-runs-i386.sh"
    probe=$?
    /usr/lib/wine/wine --version >/dev/null 2>&1
    wine=$?
    echo "kernel-runs-i386.sh: exit $probe; /usr/lib/wine/wine --version: exit $wine"
    { [ $probe = 0 ] && [ $wine = 0 ]; } || { [ $probe = 1 ] && [ $wine != 0 ]; } ||
        { echo "FAIL: the probe and 32-bit Wine disagree"; exit 1; }
    echo "PASS: $case"
    exit 0
fi
unset QVX_TEST_ARCH FAKE_UPDATE FAKE_SKEW FAKE_WINE32 FAKE_MISSING FAKE_UID
FAKE_ARCHIVE=$(mktemp -d)
export FAKE_ARCHIVE FAKE_I386=yes PATH="$here/fake:$PATH"
trap 'rm -rf "$FAKE_ARCHIVE"' EXIT
[ "$(command -v apt-get)" = "$here/fake/apt-get" ] || { echo "FAIL: the fake apt-get is not first on PATH"; exit 1; }
codename=$(. /etc/os-release; echo "$VERSION_CODENAME")
calls=$FAKE_ARCHIVE/calls
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# play "ABSENT" "FOREIGN": install-deps.sh where the packages ABSENT are not
# installed and dpkg knows the foreign architectures FOREIGN. Sets $status
# and $out, and checks what every run must keep to.
play() {
    for p in $1; do echo "$p"; done >"$FAKE_ARCHIVE/absent"
    for a in $2; do echo "$a"; done >"$FAKE_ARCHIVE/foreign"
    : >"$calls"
    # A standard input that would answer any prompt: apt-get must not get it.
    out=$(yes | "$scripts/install-deps.sh" 2>&1)
    status=$?
    echo "--- install-deps.sh, absent: ${1:-nothing}, kernel runs i386: $FAKE_I386; exit $status"
    echo "$out" | sed 's/^/    /'
    echo "    calls:"
    sed 's/^/      /' "$calls"
    grep '^apt-get' "$calls" | grep -v ' </dev/null DEBIAN_FRONTEND=noninteractive$' | grep -q . &&
        fail "apt-get got a standard input or may prompt"
    grep '^apt-get install' "$calls" | grep -v -e ' -y ' | grep -q . && fail "apt-get install without -y"
    grep '^apt-get install' "$calls" | grep -v -e ' --no-remove ' | grep -q . &&
        fail "apt-get install that may remove packages (no --no-remove)"
    grep -Eq -- '^apt-mark|--allow-downgrades|--allow-remove-essential|--allow-change-held-packages|--force-yes| (remove|purge|autoremove|dist-upgrade|full-upgrade) ' "$calls" &&
        fail "a call that may downgrade, remove or hold a package"
}
expect_status() { [ "$status" = "$1" ] || fail "install-deps.sh exited $status, not $1"; }
absent_now() { tr '\n' ' ' <"$FAKE_ARCHIVE/absent" | sed 's/ $//'; }
expect_arch() {
    arch=$("$scripts/test-arch.sh") why=$("$scripts/test-arch.sh" --why)
    echo "--- test-arch.sh: $arch ($why)"
    [ "$arch" = "$1" ] && [ "$why" = "$2" ] || fail "test-arch.sh answered $arch ($why), not $1 ($2)"
}

case $case in
installed)
    play "" i386
    expect_status 0
    grep -Eq '^apt-get|^dpkg --add' "$calls" && fail "apt-get or dpkg --add-architecture ran with everything installed"
    FAKE_I386=no
    play wine32:i386 ""
    expect_status 0
    grep -Eq '^apt-get|^dpkg --add' "$calls" &&
        fail "apt-get or dpkg --add-architecture ran with everything a kernel without 32-bit support needs installed"
    ;;
failed_index)
    export FAKE_UPDATE=failed-index
    play "xvfb socat" i386
    expect_status 0
    [ "$(grep -c '^apt-get update' "$calls")" -ge 2 ] || fail "the update was not tried again"
    grep -q '^sleep' "$calls" || fail "no pause between the tries"
    grep '^apt-get install' "$calls" | grep ' xvfb' | grep -q ' socat' || fail "no installation after the failed update"
    [ -z "$(absent_now)" ] || fail "still not installed: $(absent_now)"
    [ "$(echo "$out" | grep -c 'binary-i386/Packages.*unexpected size')" = 1 ] ||
        fail "not one line that names the index that failed and why"
    ;;
skew)
    export FAKE_SKEW=1
    play "wine32:i386 xvfb" ""
    expect_status 0
    grep "^apt-get install .*-t $codename " "$calls" | grep ' xvfb' | grep -q ' wine32:i386' ||
        fail "no installation that prefers $codename's own versions (-t $codename)"
    [ -z "$(absent_now)" ] || fail "still not installed: $(absent_now)"
    ;;
no_wine32)
    export FAKE_WINE32=never
    play "wine32:i386 xvfb wine64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64" i386
    expect_status 0
    [ "$(absent_now)" = wine32:i386 ] || fail "not installed: $(absent_now) (only wine32:i386 may be missing)"
    echo "$out" | grep -q 'wine32:i386.*could not be installed' || fail "no line that names wine32:i386 as not installable"
    expect_arch x86_64 "32-bit Wine could not be installed from the package archive"
    ;;
no_ia32)
    FAKE_I386=no
    play "wine32:i386 xvfb wine64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64" ""
    expect_status 0
    grep -q '^dpkg --add-architecture' "$calls" && fail "the i386 architecture was added"
    grep '^apt-get' "$calls" | grep -q ':i386' && fail "an i386 package was asked for"
    [ "$(absent_now)" = wine32:i386 ] || fail "not installed: $(absent_now) (only wine32:i386 may be missing)"
    expect_arch x86_64 "this kernel cannot run 32-bit programs"
    ;;
probe_unknown)
    FAKE_I386=unknown
    play "wine32:i386" ""
    expect_status 0
    grep -q '^dpkg --add-architecture i386' "$calls" || fail "the i386 architecture was not added"
    [ -z "$(absent_now)" ] || fail "32-bit Wine was not tried: $(absent_now)"
    why=$("$scripts/test-arch.sh" --why)
    echo "--- test-arch.sh --why: $why"
    [ "$why" = "this kernel cannot run 32-bit programs" ] && fail "the kernel blamed though the probe could not tell"
    ;;
unavailable)
    export FAKE_UID=1000 FAKE_MISSING=xdotool
    play "xdotool xvfb" i386
    expect_status 1
    grep -q '^sudo ' "$calls" || fail "apt-get did not run through sudo"
    line=$(echo "$out" | grep '^install-deps: could not install')
    [ "$(echo "$line" | grep -c .)" = 1 ] || fail "not one line that names what could not be installed"
    echo "$line" | grep ' xdotool' | grep ' xvfb' | grep -q 'sudo apt-get install' ||
        fail "the line names neither the packages nor the command to try by hand"
    ;;
*) echo "usage: install_deps_test.sh installed|failed_index|skew|no_wine32|no_ia32|probe_unknown|unavailable|kernel_probe [FOLDER]"; exit 2 ;;
esac
[ $failures = 0 ] && echo "PASS: $case" || { echo "$failures failure(s) in $case"; exit 1; }
