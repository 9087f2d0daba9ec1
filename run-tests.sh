#!/bin/sh
# Installs what is missing, builds the Windows 95/98 programs (i686) and the
# tests, and runs every test. Where the kernel runs 32-bit programs, the tests
# run the shipped i686 files (the package folder that the zip and the floppy
# image are made from) under 32-bit Wine. Where it cannot (or 32-bit Wine could
# not be installed), they run the same sources built for x86_64 under 64-bit
# Wine, and the shipped i686 files are checked without running them.
# QVX_TEST_ARCH=x86_64 forces that fallback.
# Arguments go to ctest (for example -R wizard).
set -e
cd "$(dirname "$0")"
./cmake/install-deps.sh
arch=$(./cmake/test-arch.sh)

if [ "$arch" = i686 ]; then
    build="the shipped i686 programs (build/win32/package) under 32-bit Wine"
    preset=test
else
    why=$(./cmake/test-arch.sh --why)
    build="the x86_64 build of the same sources (build/x86_64/package) under 64-bit Wine: $why; the shipped i686 files were checked without running them"
    preset=test-x86_64
fi
echo "Tests that run programs: $build."
if [ "$arch" = x86_64 ]; then
    # The deliverables, zip and floppy image that the static checks read.
    cmake --preset win32 >/dev/null
    cmake --build --preset win32
fi
cmake --preset $preset >/dev/null
cmake --build --preset $preset
status=0
ctest --preset $preset "$@" || status=$?
wine=/usr/lib/wine/wine
[ "$arch" = x86_64 ] && wine=/usr/lib/wine/wine64
if ! $wine --version >/dev/null 2>&1; then
    echo "NOTE: $wine cannot run on this machine: no program was run, and the tests that run them are reported as skipped."
else
    echo "Tests that run programs ran $build."
fi
exit $status
