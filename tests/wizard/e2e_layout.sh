#!/bin/bash
# Every wizard page as the user sees it, at 96 dpi (the default screen) and
# at 120 dpi (Large Fonts), with Windows 98's fonts: each text fits its
# control, each control lies inside the page, each picture on the grey
# panel (uidriver layout). Also takes the Plug Tablet page's picture at
# 120 dpi. All pages and both resolutions are measured before the verdict.
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
. "$(dirname "$0")/../e2e/wizard.sh"

wine_up
install_package
# No serial mouse anywhere: the detector stand-in answers "none" at once.
cp "$QVX_TOOLS_DIR/ptrsniff.exe" "$PKG/"
export QVX_SNIFF_MODE="answer 0 100"

faults=""
measure() {
    local page=$1 dpi=$2
    expect_page "$page"
    uidriver layout >"$QVX_TMP/layout" || faults="$faults $dpi:\"$page\""
    tr -d '\r' <"$QVX_TMP/layout" | grep -v '^     '
    # A resolution that did not take would measure the same screen twice.
    grep -q " at $dpi dpi;" "$QVX_TMP/layout" || fail "\"$page\" was not measured at $dpi dpi"
}

for dpi in 96 120; do
    $WINE reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f \
        >/dev/null 2>&1 || fail "LogPixels $dpi"
    # The resolution is read when the wineserver starts.
    $WINESERVER -k
    $WINESERVER -w
    echo "--- $dpi dpi"
    wine_start "$PKG/setup.exe"
    uidriver msgbox "PR-4417 Installer" \
        "Penrel PR-4417 tablet driver, release 2.1 (sample package)" 20000 >/dev/null ||
        fail "banner"
    measure "Penrel Tablet Setup" $dpi
    uidriver press next
    measure "Plug Tablet" $dpi
    [ $dpi = 120 ] && { sleep 0.5; screenshot 2-plug-tablet-120dpi; }
    uidriver press next
    measure "Tablet Configuration" $dpi
    uidriver click 1030
    uidriver press next
    measure "Tablet not detected" $dpi
    uidriver click 1022
    uidriver press next
    measure "Manually specify port" $dpi
    uidriver press next
    measure "Complete Install" $dpi
    uidriver press cancel
    wine_wait "$BG_PID" 30 || fail "setup.exe exit code"
done
[ -z "$faults" ] || fail "layout faults on:$faults"
echo "PASS layout"
