#!/bin/bash
# The port scan under Wine against simulated serial devices. Runs the test
# program's suites one mapping of COM1..COM8 at a time, in one Wine prefix.
# usage: scan_e2e.sh detect_scan_test.exe tablet_sim.py
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
. "$(dirname "$0")/sim_ports.sh"
test_exe=$1
TABLET_SIM=$2
wine_up
status=0

# Every port a pseudo-terminal with a simulated device behind it.
pty="$QVX_TMP/pty"
mkdir -p "$pty"
make_ptys "$pty" 1 2 3 4 5 6 7 8
start_sim "$pty" 1 2 3 4 5 6 7 8
map_ports "$pty/com1" "$pty/com2" "$pty/com3" "$pty/com4" \
          "$pty/com5" "$pty/com6" "$pty/com7" "$pty/com8"
note "every port a pseudo-terminal"
QVX_SIM_DIR="$pty" wine_run "$test_exe" --gtest_filter='ScanPty.*' || status=1

# No port opens: directories can't be opened as files.
for n in 1 2 3 4 5 6 7 8; do mkdir -p "$QVX_TMP/dir$n"; done
map_ports "$QVX_TMP/dir1" "$QVX_TMP/dir2" "$QVX_TMP/dir3" "$QVX_TMP/dir4" \
          "$QVX_TMP/dir5" "$QVX_TMP/dir6" "$QVX_TMP/dir7" "$QVX_TMP/dir8"
note "no port opens"
QVX_SIM_DIR="$pty" wine_run "$test_exe" --gtest_filter='ScanNoPort.*' || status=1

# Ports that open but are not RS-232, beside a tablet and two silent devices.
mixed="$QVX_TMP/mixed"
mkdir -p "$mixed/dir6"
printf 'keep me\n' >"$mixed/plain1"
mkfifo "$mixed/peer2"
make_ptys "$mixed" 5 7 8
start_sim "$mixed" 2 5 7 8
map_ports "$mixed/plain1" "$mixed/peer2" /dev/null "$mixed/missing4" \
          "$mixed/com5" "$mixed/dir6" "$mixed/com7" "$mixed/com8"
note "files, a fifo, /dev/null, a missing path and a directory among the ports"
QVX_SIM_DIR="$mixed" wine_run "$test_exe" --gtest_filter='ScanMixed.*' || status=1
[ "$(cat "$mixed/plain1")" = "keep me" ] || { echo "FAIL: the file behind COM1 changed"; status=1; }

exit $status
