#!/bin/bash
# The serial-mouse lookup under Wine: the test program and the detector
# stand-in in "C:\Penrel Driver" (a blank in the name, and a decoy
# C:\Penrel.exe that an unquoted command line would start), then from
# directories of 235 and 236 characters.
# usage: mouse_e2e.sh detect_mouse_test.exe ptrsniff.exe
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
test_exe=$1
sniff=$2
wine_up
status=0
name=$(basename "$test_exe")

pkg="$WINEPREFIX/drive_c/Penrel Driver"
mkdir -p "$pkg"
cp "$test_exe" "$sniff" "$pkg/"
cp "$sniff" "$WINEPREFIX/drive_c/Penrel.exe"
note "from C:\\Penrel Driver"
wine_run "C:\\Penrel Driver\\$name" --gtest_filter='MouseLookup.*' || status=1

# "C:\Deep Penrel\" is 15 characters; one more name and its backslash
# bring the directory to the length wanted.
for length in 235 236; do
    leaf=$(printf 'd%.0s' $(seq $((length - 16))))
    deep="$WINEPREFIX/drive_c/Deep Penrel/$leaf"
    mkdir -p "$deep"
    cp "$test_exe" "$sniff" "$deep/"
    note "from a directory of $length characters"
    QVX_DEEP_DIR=1 wine_run "C:\\Deep Penrel\\$leaf\\$name" --gtest_filter='DeepDirectory.*' || status=1
done
exit $status
