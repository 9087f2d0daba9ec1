#!/bin/sh
# Fake kernel probe: FAKE_I386=yes, no, or unknown (the probe cannot tell).
echo "kernel-runs-i386.sh" >>"$FAKE_ARCHIVE/calls"
case $FAKE_I386 in yes) exit 0 ;; no) exit 1 ;; *) exit 2 ;; esac
