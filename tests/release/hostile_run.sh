#!/bin/bash
# Runs one group of the in-process hostile-input cases in a fresh Wine
# prefix. The test program runs from "C:\Hostile Pkg" beside the files the
# package's script copies (the driver files and the uninstaller) and a
# misbehaving detector in place of ptrsniff.exe.
# usage: hostile_run.sh scripts|wordlists|registry|detector|serial \
#            hostile_inproc.exe hostile_sniff.exe hostile_peer.py
# To look at one case: QVX_HOSTILE_CASE=<part of its name> runs only the
# cases whose names hold it; QVX_HOSTILE_ONLY=<test name> narrows the
# scripts group to one of its tests; QVX_HOSTILE_LOOKUP_LIMIT=<ms> changes
# the bound of each serial-mouse lookup (to see how long a hang lasts).
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
group=$1
test_exe=$2
sniff=$3
peer=$4
wine_up
started=$(date +%s)

# A crashing detector must not leave the debugger's dialog on screen.
wine_run reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1 || fail "crash dialog setting"

pkg="$WINEPREFIX/drive_c/Hostile Pkg"
mkdir -p "$pkg"
cp "$test_exe" "$pkg/"
cp "$QVX_PACKAGE_DIR/tpadvx.386" "$QVX_PACKAGE_DIR/WTQVX.DRV" "$QVX_PACKAGE_DIR/pruninst.exe" "$pkg/"
cp "$sniff" "$pkg/ptrsniff.exe"
exe="C:\\Hostile Pkg\\$(basename "$test_exe")"

case $group in
scripts) filter="HostileScripts.${QVX_HOSTILE_ONLY:-*}" ;;
wordlists) filter='HostileWordLists.*' ;;
registry) filter='HostileRegistry.*' ;;
detector) filter='HostileDetector.*' ;;
serial)
    filter='HostileSerial.*'
    . "$(dirname "$0")/../detect/sim_ports.sh"
    pty="$QVX_TMP/pty"
    mkdir -p "$pty"
    make_ptys "$pty" 1 2 3 4 5 6 7 8
    /usr/bin/python3 "$peer" "$pty" 1 2 3 4 5 6 7 8 &
    QVX_BG_PIDS="${QVX_BG_PIDS:-} $!"
    for _ in $(seq 100); do [ -e "$pty/ready" ] && break; sleep 0.05; done
    [ -e "$pty/ready" ] || fail "serial peers did not start"
    map_ports "$pty/com1" "$pty/com2" "$pty/com3" "$pty/com4" \
              "$pty/com5" "$pty/com6" "$pty/com7" "$pty/com8"
    export QVX_HOSTILE_PTY="$pty"
    ;;
*) echo "unknown group $group"; exit 2 ;;
esac

# A backstop below ctest's limit: the program bounds each case itself.
timeout -k 10 280 $WINE "$exe" --gtest_filter="$filter"
status=$?
[ $status -eq 124 ] && echo "FAIL: group $group did not end within 280 s"
echo "group $group: $(($(date +%s) - started)) s in all"
exit $status
