#!/bin/bash
# Port detection timings under Wine (a benchmark, not a test):
#   the scan over eight silent pseudo-terminal ports, and with the tablet on
#   COM3, against the protocol floor (per silent port two 200 ms pauses and
#   two 110 ms empty reads; the tablet's port one pause and one empty read);
#   the lookup's CPU time during a 3-second detector wait, and the delay
#   from the detector's answer to the lookup's return.
# usage: bench_detect.sh detect_bench.exe tablet_sim.py ptrsniff.exe
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
. "$(dirname "$0")/sim_ports.sh"
bench=$1
TABLET_SIM=$2
sniff=$3
runs=${QVX_BENCH_RUNS:-3}
wine_up

pty="$QVX_TMP/pty"
mkdir -p "$pty"
make_ptys "$pty" 1 2 3 4 5 6 7 8
start_sim "$pty" 1 2 3 4 5 6 7 8
map_ports "$pty/com1" "$pty/com2" "$pty/com3" "$pty/com4" \
          "$pty/com5" "$pty/com6" "$pty/com7" "$pty/com8"

wine_run "$bench" scan silent 4.96 "$runs"
echo "correct 1" >"$pty/mode3"
for _ in $(seq 100); do [ "$(cat "$pty/ack3" 2>/dev/null)" = 1 ] && break; sleep 0.05; done
wine_run "$bench" scan tablet-on-COM3 4.65 "$runs"

pkg="$WINEPREFIX/drive_c/Penrel Driver"
mkdir -p "$pkg"
cp "$bench" "$sniff" "$pkg/"
QVX_SNIFF_LOG='C:\qvx-sniff.log' wine_run "C:\\Penrel Driver\\$(basename "$bench")" mouse "$runs"
