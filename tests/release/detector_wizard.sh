#!/bin/bash
# The installer as shipped, with the real serial-mouse detector beside it:
# no tablet answers the scan, no serial mouse is registered, the user says
# the tablet is the only pointing device, and the detector finds the tablet
# (taken for a mouse) on COM2, which the wizard offers and installs.
# usage: detector_wizard.sh mouse_sim.py
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
. "$(dirname "$0")/../e2e/wizard.sh"
. "$(dirname "$0")/../detect/sim_ports.sh"
MOUSE_SIM=$1

expect_eq() { [ "$1" = "$2" ] || fail "$3: got '$1', want '$2'"; echo "ok   $3"; }

wine_up
install_package
cmp -s "$PKG/ptrsniff.exe" "$QVX_PACKAGE_DIR/ptrsniff.exe" || fail "package has no detector"
PTY="$QVX_TMP/pty"
mkdir -p "$PTY"
/usr/bin/python3 "$MOUSE_SIM" "$PTY" 2:ms &
QVX_BG_PIDS="${QVX_BG_PIDS:-} $!"
for _ in $(seq 100); do [ -e "$PTY/ready" ] && break; sleep 0.05; done
[ -e "$PTY/ready" ] || fail "mouse simulator did not start"
map_ports /nonexistent/qvx-com1 "$PTY/com2" /nonexistent/qvx-com3 /nonexistent/qvx-com4 \
          /nonexistent/qvx-com5 /nonexistent/qvx-com6 /nonexistent/qvx-com7 /nonexistent/qvx-com8

wine_start "$PKG/setup.exe"
uidriver msgbox "PR-4417 Installer" \
    "Penrel PR-4417 tablet driver, release 2.1 (sample package)" 20000 >/dev/null || fail "banner"
expect_page "Penrel Tablet Setup"
uidriver press next
expect_page "Plug Tablet"
expect_eq "$(grep -c 'powerup 1200' "$PTY/log2")" "0" "the tablet scan is not the detector"
uidriver press next
expect_page "Tablet Configuration"
uidriver press next
expect_page "Complete Install"
expect_eq "$(uidriver text 1028 | tr -d '\r')" "COM2" "Finish page shows the detector's port"
grep -q 'powerup 1200' "$PTY/log2" || fail "the detector did not power-cycle COM2"
expect_eq "$(ini_value qvxinst.ini Mouse DetectedPort)" "" "answer removed after reading"
uidriver press finish
wine_wait "$BG_PID" 60 || fail "setup.exe exit code"

expect_eq "$(ini_value wintab.ini 'Penrel Tablet Driver' Com)" "2" "wintab.ini Com"
expect_eq "$(ini_value system.ini tpadvx.386 WTQVX)" "2" "system.ini WTQVX"
[ -e "$SYSDIR/WTQVX.DRV" ] || fail "driver not copied"
sleep 0.2
expect_eq "$(cat "$PTY/settings2")" "9600 1" "COM2 settings put back"
echo "PASS detector wizard"
