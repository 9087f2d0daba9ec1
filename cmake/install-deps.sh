#!/bin/sh
# Installs, from Debian's packages, everything the build and the tests need:
# the i686 mingw-w64 compilers, 32-bit Wine (the programs that ship are i686
# and the tests run them as they are), a virtual display, pseudo-terminal pairs,
# GoogleTest sources and ImageMagick. Does nothing when all of it is there.
set -e
pkgs="g++-mingw-w64-i686-posix binutils-mingw-w64-i686
      wine wine32:i386 xvfb socat xdotool googletest imagemagick cmake make mtools zip python3"
missing=""
for p in $pkgs; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
# 32-bit Wine needs the i386 libraries.
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends $missing
