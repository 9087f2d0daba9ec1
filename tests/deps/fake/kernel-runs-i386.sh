#!/bin/sh
# Fake kernel probe: FAKE_I386=yes or no.
echo "kernel-runs-i386.sh" >>"$FAKE_ARCHIVE/calls"
[ "$FAKE_I386" = yes ]
