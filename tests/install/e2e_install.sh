#!/bin/bash
# The installer end to end: setup.exe from the package folder in a fresh
# Wine prefix. One scenario per run: full | no-banner | no-script | wrong-class
# | nt
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
. "$(dirname "$0")/../e2e/wizard.sh"
scenario=$1
wine_up
install_package

CLASS_KEY='HKLM\System\CurrentControlSet\Services\Class\QuorvixDevice'
reg_value() { wine_run reg query "$CLASS_KEY" 2>/dev/null | tr -d '\r' |
              awk -v n="$1" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }
expect_eq() { [ "$1" = "$2" ] || fail "$3: got '$1', want '$2'"; echo "ok   $3"; }

# Other software's words in the shared lists the package edits.
printf '[boot]\r\ndrivers=mmsystem.dll qvxold.drv power.drv\r\n[386Enh]\r\nPointing=vmouse.386 msmouse.vxd\r\n' \
    >>"$WINDIR/system.ini"
before_sys=$(md5sum <"$WINDIR/system.ini")

expect_nothing_installed() {
    [ ! -e "$SYSDIR/tpadvx.386" ] && [ ! -e "$SYSDIR/WTQVX.DRV" ] ||
        fail "driver files were copied"
    wine_run reg query "$CLASS_KEY" >/dev/null 2>&1 && fail "class key was created"
    [ ! -e "$WINDIR/wintab.ini" ] || fail "wintab.ini was written"
    expect_eq "$(md5sum <"$WINDIR/system.ini")" "$before_sys" "system.ini unchanged"
    echo "ok   nothing installed"
}

expect_installed() {
    cmp -s "$PKG/tpadvx.386" "$SYSDIR/tpadvx.386" || fail "tpadvx.386 not in the system directory"
    cmp -s "$PKG/WTQVX.DRV" "$SYSDIR/WTQVX.DRV" || fail "WTQVX.DRV not in the system directory"
    echo "ok   driver files copied"
    expect_eq "$(reg_value '(Default)')" "Penrel Tablets" "class key default value"
    expect_eq "$(reg_value Icon)" "-5" "class key Icon"
    expect_eq "$(reg_value DevLoader)" "tpadvx.386" "class key DevLoader"
    expect_eq "$(ini_value system.ini 386Enh tpadvx)" "tpadvx.386" "UpdateInis system.ini"
    expect_eq "$(ini_value wintab.ini 'Penrel Tablet Driver' Driver)" "WTQVX.DRV" "UpdateInis wintab.ini"
    expect_eq "$(ini_value system.ini boot drivers)" "mmsystem.dll power.drv  wtqvx.drv" \
        "word list: old driver out, new one in, others kept"
    expect_eq "$(ini_value system.ini 386Enh Pointing)" "vmouse.386 msmouse.vxd tpadvx.386" \
        "word list: added after the others"
    expect_eq "$(ini_value wintab.ini 'Penrel Tablet Driver' Com)" "$1" "wintab.ini Com"
    expect_eq "$(ini_value system.ini tpadvx.386 WTQVX)" "$1" "system.ini WTQVX"
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "0" "SkipMouseRedetect"
}

case $scenario in
full)
    wine_start "$PKG/setup.exe"
    # The banner is the run's first dialog: once it is up, the host window
    # has been shown and made topmost.
    uidriver wait-window "#32770" "PR-4417 Installer" 20000 || fail "no banner"
    uidriver host-check QVXPR4417 "Penrel Tablet Setup" || fail "host window"
    uidriver msgbox "PR-4417 Installer" \
        "Penrel PR-4417 tablet driver, release 2.1 (sample package)" 15000 ||
        fail "banner"
    wizard_install_manual 3
    wine_wait "$BG_PID" 60 || fail "setup.exe exit code"
    expect_installed 3
    ;;
no-banner)
    sed -i 's/^Cycle=.*/Cycle=/' "$PKG/setup.ini"
    wine_start "$PKG/setup.exe"
    uidriver no-window "#32770" "PR-4417 Installer" 1500 || fail "a banner appeared"
    wizard_install_manual 1
    wine_wait "$BG_PID" 60 || fail "setup.exe exit code"
    expect_installed 1
    ;;
no-script)
    rm "$PKG/setup.ini"
    wine_start "$PKG/setup.exe"
    uidriver no-window "#32770" - 1500 || fail "a dialog appeared"
    wine_wait "$BG_PID" 30 || fail "setup.exe exit code"
    expect_nothing_installed
    ;;
wrong-class)
    sed -i 's/^Class=QuorvixDevice/Class=Mouse/' "$PKG/setup.ini"
    wine_start "$PKG/setup.exe"
    uidriver msgbox "PR-4417 Installer" \
        "Penrel PR-4417 tablet driver, release 2.1 (sample package)" 15000 ||
        fail "banner"
    uidriver no-window "#32770" - 1500 || fail "a dialog appeared"
    wine_wait "$BG_PID" 30 || fail "setup.exe exit code"
    expect_nothing_installed
    ;;
nt)
    # Run with Wine reporting the Windows NT family: the installer refuses
    # before anything else (no banner, no wizard) and changes nothing.
    wine_start "$PKG/setup.exe"
    uidriver msgbox Error "This driver works only on Windows 95 and Windows 98." \
        20000 1 QVXPR4417 || fail "no refusal owned by the host window"
    uidriver no-window "#32770" - 1500 || fail "a dialog appeared after the refusal"
    wine_wait "$BG_PID" 30 || fail "setup.exe exit code"
    expect_nothing_installed
    ;;
*) echo "unknown scenario $scenario"; exit 2 ;;
esac
echo "PASS $scenario"
