#!/bin/sh
# Installs, from Debian's packages, everything the build and the tests need:
# the i686 mingw-w64 compilers, 32-bit Wine (the programs that ship are i686
# and the tests run them as they are), a virtual display, pseudo-terminal pairs,
# GoogleTest sources and ImageMagick. Where the kernel cannot run 32-bit
# programs (or QVX_TEST_ARCH=x86_64 asks for it), also the x86_64 compilers
# and 64-bit Wine, which the tests then use (cmake/test-arch.sh). Does nothing
# when all of it is there.
set -e
cd "$(dirname "$0")"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

install_missing() {
    missing=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "installing:$missing"
    # 32-bit Wine needs the i386 libraries.
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends $missing
}

install_missing g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
    wine wine32:i386 fonts-wine xvfb socat xdotool googletest imagemagick cmake make mtools zip python3
if [ "$(./test-arch.sh)" = x86_64 ]; then
    install_missing g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64
fi
