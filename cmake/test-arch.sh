#!/bin/sh
# Prints the build whose programs the tests and the demo run on this machine:
#   i686    the shipped programs, under 32-bit Wine (where the kernel runs
#           32-bit code)
#   x86_64  the same sources built for x86_64, under 64-bit Wine (where it
#           cannot: IA32 emulation off, "Exec format error"; or where 32-bit
#           Wine could not be installed from the package archive)
# With --why, prints the reason for the choice instead, for the scripts'
# messages. QVX_TEST_ARCH=x86_64 (or i686) forces the choice, so the fallback
# can be tried on a machine that runs 32-bit code. Probe after the packages
# are in (cmake/install-deps.sh).
case ${QVX_TEST_ARCH:-} in
i686|x86_64)
    [ "${1:-}" = --why ] && echo "QVX_TEST_ARCH=$QVX_TEST_ARCH asked for it" || echo "$QVX_TEST_ARCH"
    exit 0 ;;
"") ;;
*) echo "QVX_TEST_ARCH must be i686 or x86_64, not '$QVX_TEST_ARCH'" >&2; exit 2 ;;
esac
# The kernel probe is looked up on PATH with this folder last, so that a test
# can put a fake of it (and of dpkg-query) ahead.
PATH=$PATH:$(cd "$(dirname "$0")" && pwd)
kernel-runs-i386.sh
if [ $? = 1 ]; then
    arch=x86_64 why="this kernel cannot run 32-bit programs"
elif ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    arch=x86_64 why="32-bit Wine could not be installed from the package archive"
elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    arch=x86_64 why="32-bit Wine is installed but does not run (/usr/lib/wine/wine --version fails)"
else
    arch=i686 why="this kernel runs 32-bit programs"
fi
[ "${1:-}" = --why ] && echo "$why" || echo $arch
