#!/bin/bash
# Runs one Windows test program in a fresh Wine prefix with its own display.
set -u
QVX_BUILD_DIR=${QVX_BUILD_DIR:-$(cd "$(dirname "$1")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done; pwd)}
QVX_TOOLS_DIR=${QVX_TOOLS_DIR:-$QVX_BUILD_DIR/tools}
. "$(dirname "$0")/winenv.sh"
wine_up
wine_run "$@"
