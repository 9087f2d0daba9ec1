#!/bin/bash
# An installation whose driver files do not all arrive: setup.exe from the
# package folder in a fresh Wine prefix. One scenario per run:
#   missing-file  a driver file missing from the package: the disk is asked
#                 for, the user cancels
#   blocked-file  a driver file that cannot be written (a folder of its name)
#   newer-target  the driver file already there is newer: kept, and no failure
#   mouse-kept    the tablet taken for a serial mouse on COM2, the user agrees
#                 to disable that mouse, and the copy fails: the mouse stays
#                 as it was; it is disabled once an installation completes
# After a failure, nothing may refer to the driver; once the cause is gone,
# setup installs normally and the uninstaller removes it all again.
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
. "$(dirname "$0")/../e2e/wizard.sh"
scenario=$1
wine_up
install_package
$WINESERVER -p
. "$(dirname "$0")/../e2e/roundtrip.sh"

printf '[boot]\r\ndrivers=mmsystem.dll qvxold.drv power.drv\r\n[386Enh]\r\nPointing=vmouse.386 msmouse.vxd\r\n' \
    >>"$WINDIR/system.ini"
HERE="$QVX_BUILD_DIR/tests/install"

# After Finish: the failure message owned by the host window and no restart
# question; given a file name, the disk prompt for it is cancelled first.
expect_failure() {
    if [ -n "${1:-}" ]; then
        uidriver disk-prompt "$1" cancel 20000 QVXPR4417 || fail "no prompt for the disk holding $1"
        echo "ok   the disk was asked for and the user cancelled"
    fi
    uidriver msgbox Error "Installation did not complete successfully!" 20000 1 QVXPR4417 ||
        fail "no failure message owned by the host window"
    echo "ok   failure reported"
    uidriver no-window "#32770" - 1500 || fail "a dialog appeared after the failure message"
    wine_wait "$BG_PID" 60 || fail "setup.exe exit code"
}

# The wizard to its end, naming COM2 by hand, then the failure.
failed_install() {
    wine_start "$PKG/setup.exe"
    uidriver msgbox "PR-4417 Installer" "$BANNER" 15000 >/dev/null || fail "installer banner"
    wizard_install_manual 2 >/dev/null
    expect_failure "$@"
}

# Nothing that names the driver: Windows starts as it did before.
expect_no_reference() {
    class_key_exists && fail "class key created"
    wine_run reg query "HKLM\\$ENTRY_KEY" >/dev/null 2>&1 && fail "Add/Remove Programs entry made"
    expect_eq "$(ini_value system.ini 386Enh tpadvx)" "" "system.ini [386Enh] tpadvx"
    expect_eq "$(ini_value system.ini tpadvx.386 WTQVX)" "" "system.ini port"
    expect_eq "$(ini_value wintab.ini 'Penrel Tablet Driver' Com)" "" "wintab.ini port"
    expect_eq "$(ini_value system.ini boot drivers)" "mmsystem.dll qvxold.drv power.drv" "drivers untouched"
    expect_eq "$(ini_value system.ini 386Enh Pointing)" "vmouse.386 msmouse.vxd" "Pointing untouched"
    [ ! -e "$WINDIR/wintab.ini" ] || fail "wintab.ini written"
    echo "ok   nothing refers to the driver"
}

# Once the cause is gone: a normal installation, then a normal removal.
expect_roundtrip() {
    install_driver
    expect_entry_installed
    expect_eq "$(ini_value system.ini tpadvx.386 WTQVX)" "2" "port recorded"
    uninstall_driver
    expect_removed
    expect_lists_cleaned
    expect_entry_removed
}

# The wizard's Finish asks Windows not to look for a mouse again before the
# files are copied; that stays whatever the copy's result.
EXPLAINED["+ win.ini [Windows] SkipMouseRedetect=0"]="written by the wizard's Finish, before the copy"

case $scenario in
missing-file)
    rm "$PKG/tpadvx.386"
    snapshot before
    failed_install tpadvx.386
    [ ! -e "$SYSDIR/WTQVX.DRV" ] || fail "copying went on after the cancel"
    snapshot after
    compare before after
    expect_no_reference
    cp "$QVX_PACKAGE_DIR/tpadvx.386" "$PKG/"
    expect_roundtrip
    ;;
blocked-file)
    mkdir "$SYSDIR/WTQVX.DRV"
    snapshot before
    failed_install
    snapshot after
    EXPLAINED["+ sysdir tpadvx.386"]="copied before the failure; harmless without references"
    compare before after
    expect_no_reference
    rmdir "$SYSDIR/WTQVX.DRV"
    expect_roundtrip
    ;;
newer-target)
    # An older WTQVX.DRV in the package than the one installed: the newer
    # one stays, and the installation completes.
    cp "$HERE/driver_v1.exe" "$PKG/WTQVX.DRV"
    cp "$HERE/driver_v2.exe" "$SYSDIR/WTQVX.DRV"
    install_driver
    cmp -s "$HERE/driver_v2.exe" "$SYSDIR/WTQVX.DRV" || fail "the newer WTQVX.DRV was replaced"
    echo "ok   the newer file kept"
    expect_entry_installed
    expect_eq "$(ini_value system.ini tpadvx.386 WTQVX)" "2" "port recorded"
    expect_eq "$(ini_value system.ini 386Enh tpadvx)" "tpadvx.386" "system.ini [386Enh] tpadvx"
    ;;
mouse-kept)
    serial_mouse_on_com2
    mkdir "$SYSDIR/WTQVX.DRV"
    wizard_tablet_only
    expect_failure
    expect_eq "$(mouse_disabled)" "<absent>" "serial mouse left enabled"
    expect_no_reference
    rmdir "$SYSDIR/WTQVX.DRV"
    wizard_tablet_only
    wine_wait "$BG_PID" 60 || fail "setup.exe exit code"
    expect_entry_installed
    expect_eq "$(ini_value system.ini tpadvx.386 WTQVX)" "2" "port recorded"
    expect_eq "$(mouse_disabled)" "1" "serial mouse disabled by the completed installation"
    ;;
*) echo "unknown scenario $scenario"; exit 2 ;;
esac
echo "PASS $scenario"
