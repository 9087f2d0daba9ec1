#!/bin/sh
# Installs what is missing, builds the Windows 95/98 deliverables (i686) and
# the test build (x86_64), and runs every test under Wine.
set -e
cd "$(dirname "$0")"
./cmake/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --preset test -DQVX_WIN32_DIR="$PWD/build/win32" >/dev/null
cmake --build --preset test
ctest --preset test "$@"
