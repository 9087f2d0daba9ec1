#!/bin/bash
# The uninstaller end to end: setup.exe and pruninst.exe from the package
# folder in a fresh Wine prefix. One scenario per run:
#   roundtrip | twice | no-install | no-remove-fields | no-script | held-file
#   | nt-later | entry | entry-from-disk | reinstall
#   | mouse-absent | mouse-flags | mouse-user-enabled | mouse-no-record
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
. "$(dirname "$0")/../e2e/wizard.sh"
scenario=$1
wine_up
install_package
# Wine carries out wininit.ini whenever a wineserver starts (its simulated
# boot): one server runs throughout, so that only wineboot -r restarts.
$WINESERVER -p
. "$(dirname "$0")/../e2e/roundtrip.sh"

# Other software's words in the shared lists that the package edits.
printf '[boot]\r\ndrivers=mmsystem.dll qvxold.drv power.drv\r\n[386Enh]\r\nPointing=vmouse.386 msmouse.vxd\r\n' \
    >>"$WINDIR/system.ini"

case $scenario in
roundtrip)
    snapshot before
    install_driver
    # Another program adds its word after ours while the driver is installed.
    sed -i 's/^\(Pointing=.*\)\r$/\1 penx.386\r/' "$WINDIR/system.ini"
    uninstall_driver host-check
    expect_removed
    expect_lists_cleaned "vmouse.386 msmouse.vxd penx.386"
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "1" "SkipMouseRedetect"
    snapshot after
    EXPLAINED["- system.ini [boot] drivers=mmsystem.dll qvxold.drv power.drv"]="the installation takes out the predecessor driver qvxold.drv"
    EXPLAINED["+ system.ini [boot] drivers=mmsystem.dll power.drv"]="the installation takes out the predecessor driver qvxold.drv"
    EXPLAINED["- system.ini [386Enh] Pointing=vmouse.386 msmouse.vxd"]="penx.386 added by other software while installed"
    EXPLAINED["+ system.ini [386Enh] Pointing=vmouse.386 msmouse.vxd penx.386"]="penx.386 added by other software while installed"
    EXPLAINED["+ win.ini [Windows] SkipMouseRedetect=1"]="the uninstaller asks Windows to detect the mouse again"
    WINE_LIMIT["+ system.ini [386Enh] tpadvx=tpadvx.386"]="UpdateInis removal entry ignored"
    WINE_LIMIT["+ system.ini [tpadvx.386] WTQVX=*"]="UpdateInis removal entry ignored"
    WINE_LIMIT["+ wintab.ini [Penrel Tablet Driver] Driver=WTQVX.DRV"]="UpdateInis removal entry ignored"
    WINE_LIMIT["+ wintab.ini [Penrel Tablet Driver] Model=PR-4417"]="UpdateInis removal entry ignored"
    WINE_LIMIT["+ wintab.ini [Penrel Tablet Driver] Com=*"]="UpdateInis removal entry ignored"
    compare before after
    ;;
twice)
    install_driver
    uninstall_driver
    expect_removed
    snapshot first
    uninstall_driver
    expect_removed
    expect_lists_cleaned
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "1" "SkipMouseRedetect"
    snapshot second
    compare first second
    ;;
no-install)
    snapshot before
    uninstall_driver
    class_key_exists && fail "class key left behind"
    expect_eq "$(ini_value system.ini boot drivers)" "mmsystem.dll qvxold.drv power.drv" \
        "drivers untouched"
    expect_eq "$(ini_value system.ini 386Enh Pointing)" "vmouse.386 msmouse.vxd" "Pointing untouched"
    expect_eq "$(rename_lines)" "" "nothing scheduled for files that are not there"
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "1" "SkipMouseRedetect"
    snapshot after
    EXPLAINED["+ win.ini [Windows] SkipMouseRedetect=1"]="the uninstaller asks Windows to detect the mouse again"
    compare before after
    ;;
no-remove-fields)
    install_driver
    sed -i '/^\[MyRemoveIniFields\]/,/^\[/{/^\[MyRemoveIniFields\]/d; /^\[/!d}' "$PKG/setup.ini"
    grep -q MyRemoveIniFields "$PKG/setup.ini" && fail "could not take the section out"
    uninstall_driver
    expect_removed
    expect_eq "$(ini_value system.ini boot drivers)" "mmsystem.dll power.drv  wtqvx.drv" \
        "drivers keeps the installed word"
    expect_eq "$(ini_value system.ini 386Enh Pointing)" "vmouse.386 msmouse.vxd tpadvx.386" \
        "Pointing keeps the installed word"
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "1" "SkipMouseRedetect"
    ;;
no-script)
    install_driver
    rm "$PKG/setup.ini"
    snapshot before
    wine_start "$PKG/pruninst.exe"
    uidriver no-window "#32770" - 2000 || fail "a dialog appeared"
    wine_wait "$BG_PID" 30 || fail "pruninst.exe exit code"
    snapshot after
    compare before after
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "0" "SkipMouseRedetect not written"
    ;;
held-file)
    install_driver
    # The first file the removal deletes is in use; the one after it must
    # still go.
    $WINE "$PEERS/hold_file.exe" 'C:\windows\system32\tpadvx.386' 60 >"$QVX_TMP/holder.out" 2>&1 &
    QVX_BG_PIDS="${QVX_BG_PIDS:-} $!"
    for _ in $(seq 100); do grep -q held "$QVX_TMP/holder.out" && break; sleep 0.1; done
    grep -q held "$QVX_TMP/holder.out" || fail "holder: $(cat "$QVX_TMP/holder.out")"
    uninstall_driver
    [ -e "$SYSDIR/tpadvx.386" ] || fail "the file in use was deleted (Wine ignored the sharing mode)"
    echo "ok   file in use passed over"
    expect_eq "$(rename_lines)" 'NUL=C:\windows\system32\tpadvx.386' "the file in use goes at the restart"
    [ ! -e "$SYSDIR/WTQVX.DRV" ] || fail "WTQVX.DRV still in the system directory"
    echo "ok   the other driver file deleted"
    class_key_exists && fail "class key still present"
    expect_lists_cleaned
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "1" "SkipMouseRedetect"
    ;;
nt-later)
    # An installation made on Windows 98, then Wine reports its default
    # version of the Windows NT family: the uninstaller still cleans up.
    install_driver
    set_winver nt || fail "cannot switch the Windows version"
    uninstall_driver
    expect_removed
    expect_lists_cleaned
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "1" "SkipMouseRedetect"
    ;;
entry)
    # Removal through Add/Remove Programs: the entry's command, started from
    # another directory.
    install_driver
    expect_entry_installed
    # Another program's restart work, which must stay.
    printf '[rename]\r\nNUL=C:\\OLDAPP\\OLD.DLL\r\nC:\\OLDAPP\\A.DLL=C:\\OLDAPP\\A.NEW\r\n' \
        >"$WINDIR/wininit.ini"
    uninstall_by_entry
    expect_removed
    expect_lists_cleaned
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "1" "SkipMouseRedetect"
    expect_entry_removed
    [ -e "$COPY_DIR/pruninst.exe" ] || fail "the running uninstaller was deleted"
    expect_eq "$(rename_lines | tr '\n' '|')" \
        'NUL=C:\OLDAPP\OLD.DLL|C:\OLDAPP\A.DLL=C:\OLDAPP\A.NEW|NUL=C:\windows\PR4417\pruninst.exe|' \
        "wininit.ini: the running uninstaller added, other lines kept"
    wine_run wineboot -r >/dev/null 2>&1
    grep -q 'NUL=C:.windows.PR4417.pruninst.exe' "$WINDIR/wininit.bak" || fail "the restart did not take wininit.ini"
    [ ! -e "$COPY_DIR/pruninst.exe" ] || fail "installed pruninst.exe still there after the restart"
    echo "ok   installed uninstaller deleted at the restart"
    ;;
entry-from-disk)
    # Removal from the driver disk after an installation: the installed
    # copies go too, and nothing of the disk is touched or scheduled.
    install_driver
    expect_entry_installed
    uninstall_driver
    expect_removed
    expect_lists_cleaned
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "1" "SkipMouseRedetect"
    expect_entry_removed
    [ ! -e "$COPY_DIR/pruninst.exe" ] || fail "installed pruninst.exe left behind"
    [ ! -e "$COPY_DIR" ] || fail "the emptied folder $COPY_DIR left behind"
    echo "ok   installed uninstaller and its folder deleted"
    expect_eq "$(rename_lines)" "" "nothing scheduled for the restart"
    diff -r "$QVX_PACKAGE_DIR" "$PKG" >/dev/null || fail "the package folder changed"
    echo "ok   package folder unchanged"
    ;;
reinstall)
    # Removed through the entry, then set up again before the restart: the
    # restart must not delete the uninstaller installed anew.
    install_driver
    uninstall_by_entry
    expect_entry_removed
    install_driver
    expect_entry_installed
    expect_eq "$(rename_lines)" "" "nothing left to delete at the restart"
    wine_run wineboot -r >/dev/null 2>&1
    [ -e "$COPY_DIR/pruninst.exe" ] || fail "the restart deleted the installed uninstaller"
    echo "ok   installed uninstaller kept across the restart"
    ;;
mouse-absent)
    # The tablet taken for a serial mouse on COM2, "Tablet only": Finish
    # disables that mouse in the current hardware profile, which had no key
    # for it. Installed again over that installation (the mouse disabled by
    # the first), then removed through Add/Remove Programs: the profile as
    # it was before the first.
    serial_mouse_on_com2
    install_tablet_only
    expect_eq "$(mouse_profile)" "REG_DWORD 0x1" "serial mouse disabled"
    install_tablet_only
    uninstall_by_entry
    expect_removed
    expect_entry_removed
    expect_eq "$(mouse_profile)" "<no key>" "the profile's key the disable created is gone"
    ;;
mouse-flags)
    # Another flag of the device in the profile before the installation, as
    # Windows 95 writes the flag word: four binary bytes.
    serial_mouse_on_com2
    uidriver reg-set HKCC "Enum\\$MOUSE_HW" CSConfigFlags hex 04000000 || fail "fixture"
    install_tablet_only
    expect_eq "$(mouse_profile)" "REG_DWORD 0x1" "serial mouse disabled"
    uninstall_by_entry
    expect_removed
    expect_eq "$(mouse_profile)" "REG_BINARY 04000000" "the flags found before are back, as they were"
    ;;
mouse-user-enabled)
    # The user enables the mouse again in Device Manager while the driver is
    # installed: that is the user's setting, and it stays.
    serial_mouse_on_com2
    install_tablet_only
    expect_eq "$(mouse_profile)" "REG_DWORD 0x1" "serial mouse disabled"
    uidriver reg-set HKCC "Enum\\$MOUSE_HW" CSConfigFlags dword 0 || fail "fixture"
    uninstall_by_entry
    expect_removed
    expect_eq "$(mouse_profile)" "REG_DWORD 0x0" "the user's setting kept"
    ;;
mouse-no-record)
    # An installation that recorded no disable (an earlier release disabled
    # the mouse and kept no record): removal from the disk leaves the
    # device's profile as it is.
    install_driver
    serial_mouse_on_com2
    uidriver reg-set HKCC "Enum\\$MOUSE_HW" CSConfigFlags dword 1 || fail "fixture"
    uninstall_driver
    expect_removed
    expect_eq "$(mouse_profile)" "REG_DWORD 0x1" "the device left as it was"
    ;;
*) echo "unknown scenario $scenario"; exit 2 ;;
esac
echo "PASS $scenario"
