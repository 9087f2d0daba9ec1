#!/bin/sh
# Installs what is missing, builds the Windows 95/98 programs (i686) with the
# tests, and runs every test under 32-bit Wine against the package folder
# that the zip and the floppy image are made from.
set -e
cd "$(dirname "$0")"
./cmake/install-deps.sh
cmake --preset test >/dev/null
cmake --build --preset test
status=0
ctest --preset test "$@" || status=$?
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "NOTE: this machine cannot run 32-bit Wine, so the shipped programs were not run: the tests that run them are reported as skipped."
fi
exit $status
