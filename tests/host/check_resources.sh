#!/bin/bash
# The resources of the shipped setup.exe, read from the file itself without
# Wine (so this runs on any machine): the six page templates with their
# titles, the six pictures, the program icon and the version record; and the
# uninstaller's version record. The templates' contents are checked in
# detail, through Windows, by wizard_templates.
# usage: check_resources.sh PACKAGE_DIR
set -u
pkg=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
resources() { i686-w64-mingw32-windres -i "$pkg/$1" -O rc 2>/dev/null | tr -d '\r'; }

setup=$(resources setup.exe)
[ -n "$setup" ] || fail "no resources in setup.exe"
for page in "101 Complete Install" "102 Penrel Tablet Setup" "103 Tablet Configuration" \
        "105 Tablet not detected" "106 Plug Tablet" "107 Manually specify port"; do
    id=${page%% *} title=${page#* }
    grep -A2 -E "^$id DIALOG(EX)? " <<<"$setup" | grep -qxF "CAPTION \"$title\"" ||
        fail "page template $id \"$title\""
done
for id in 108 109 110 111 112 114; do
    grep -qE "^$id 2 /\* RT_BITMAP \*/" <<<"$setup" || fail "picture $id"
done
grep -qE '^300 14 /\* RT_GROUP_ICON \*/' <<<"$setup" || fail "program icon 300"
for program in setup.exe pruninst.exe; do
    resources "$program" | grep -qE '^1 VERSIONINFO' || fail "$program has no version record"
done
echo "ok   setup.exe: six page templates, six pictures, icon; version records"
