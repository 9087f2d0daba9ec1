#!/bin/bash
# The wizard through its real user interface: setup.exe with simulated
# devices on COM1..COM8, the detector stand-in beside it and registry
# fixtures for an installed serial mouse. One scenario per run.
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
. "$(dirname "$0")/../e2e/wizard.sh"
. "$(dirname "$0")/../detect/sim_ports.sh"
scenario=$1
TABLET_SIM=$2

expect_eq() { [ "$1" = "$2" ] || fail "$3: got '$1', want '$2'"; echo "ok   $3"; }

# Sets the device behind COMn (modes of tablet_sim.py) and waits until the
# simulator has taken it up.
generation=0
device() {
    generation=$((generation + 1))
    echo "$2 $generation" >"$PTY/mode$1"
    for _ in $(seq 100); do
        [ "$(cat "$PTY/ack$1" 2>/dev/null)" = "$generation" ] && return
        sleep 0.05
    done
    fail "simulator did not take mode $2 on COM$1"
}

# A detector process of this prefix (Wine runs each Windows process as a
# Linux one carrying the prefix in its environment).
detector_alive() {
    for pid in $(pgrep -f 'ptrsniff\.exe'); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}

detector_starts() { if [ -f "$SNIFF_LOG" ]; then grep -c '^start' "$SNIFF_LOG"; else echo 0; fi; }

start_setup() {
    wine_start "$PKG/setup.exe"
    uidriver msgbox "PR-4417 Installer" \
        "Penrel PR-4417 tablet driver, release 2.1 (sample package)" 20000 >/dev/null ||
        fail "banner"
}

finish_and_wait() {
    uidriver press finish
    wine_wait "$BG_PID" 60 || fail "setup.exe exit code"
}

cancel_and_wait() {
    uidriver press cancel
    wine_wait "$BG_PID" 30 || fail "setup.exe exit code"
}

expect_port_installed() {
    expect_eq "$(ini_value wintab.ini 'Penrel Tablet Driver' Com)" "$1" "wintab.ini Com"
    expect_eq "$(ini_value system.ini tpadvx.386 WTQVX)" "$1" "system.ini WTQVX"
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "0" "SkipMouseRedetect"
    [ -e "$SYSDIR/WTQVX.DRV" ] || fail "driver not copied"
}

expect_nothing_installed() {
    [ ! -e "$SYSDIR/WTQVX.DRV" ] && [ ! -e "$SYSDIR/tpadvx.386" ] || fail "files were copied"
    expect_eq "$(ini_value wintab.ini 'Penrel Tablet Driver' Com)" "" "no port written"
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "" "SkipMouseRedetect untouched"
}

finish_port_text() { uidriver text 1028 | tr -d '\r'; }
checked() { uidriver checked | tr -d '\r' | tr '\n' ' ' | sed 's/ $//'; }

to_not_detected() {
    wizard_to_config
    uidriver press next
    expect_page "Tablet not detected"
}

wine_up
install_package
cp "$QVX_TOOLS_DIR/ptrsniff.exe" "$PKG/"
PTY="$QVX_TMP/pty"
mkdir -p "$PTY"
make_ptys "$PTY" 1 2 3 4 5 6 7 8
start_sim "$PTY" 1 2 3 4 5 6 7 8
map_ports "$PTY/com1" "$PTY/com2" "$PTY/com3" "$PTY/com4" \
          "$PTY/com5" "$PTY/com6" "$PTY/com7" "$PTY/com8"
# Registry fixtures under HKEY_DYN_DATA live only as long as the wineserver.
$WINESERVER -p
export SNIFF_LOG="$QVX_TMP/sniff.log" QVX_SNIFF_LOG="Z:$(echo "$QVX_TMP/sniff.log" | tr / '\\')"
export QVX_SNIFF_MODE="answer 0 100"

case $scenario in
tablet-com3)
    device 3 correct
    start_setup
    expect_page "Penrel Tablet Setup"
    uidriver press next
    expect_page "Complete Install"
    expect_eq "$(finish_port_text)" "COM3" "Finish page shows the port"
    uidriver press back
    expect_page "Penrel Tablet Setup"
    uidriver press next
    expect_page "Complete Install"
    finish_and_wait
    expect_port_installed 3
    expect_eq "$(detector_starts)" "0" "no serial-mouse lookup"
    ;;
mouse-com2)
    serial_mouse_on_com2
    start_setup
    wizard_to_config
    uidriver press next
    expect_page "Complete Install"
    expect_eq "$(finish_port_text)" "COM2" "port of the serial mouse"
    uidriver press back
    expect_page "Tablet Configuration"
    uidriver press next
    expect_page "Complete Install"
    expect_eq "$(mouse_disabled)" "<absent>" "mouse not disabled before Finish"
    finish_and_wait
    expect_port_installed 2
    expect_eq "$(mouse_disabled)" "1" "serial mouse disabled at Finish"
    expect_eq "$(detector_starts)" "0" "registry answered, no detector"
    ;;
mouse-and-tablet)
    start_setup
    wizard_to_config
    uidriver click 1030
    expect_eq "$(checked)" "1030" "Mouse and tablet checked alone"
    uidriver press next
    expect_page "Tablet not detected"
    expect_eq "$(detector_starts)" "0" "no lookup with a mouse attached"
    uidriver press back
    expect_page "Tablet Configuration"
    expect_eq "$(checked)" "1030" "choice kept"
    cancel_and_wait
    expect_nothing_installed
    ;;
retry)
    start_setup
    to_not_detected
    expect_eq "$(detector_starts)" "1" "lookup asked the detector"
    expect_eq "$(checked)" "1021" "retry is the default choice"
    uidriver press next
    uidriver msgbox Setup "Setup cannot detect which port you have plugged the tablet into." 20000 >/dev/null ||
        fail "not-found message"
    expect_page "Tablet not detected"
    device 4 correct
    uidriver press next
    expect_page "Complete Install"
    expect_eq "$(finish_port_text)" "COM4" "tablet found by the retry"
    finish_and_wait
    expect_port_installed 4
    ;;
manual)
    start_setup
    expect_page "Penrel Tablet Setup"; sleep 0.5; screenshot 1-welcome
    uidriver press next
    expect_page "Plug Tablet"; sleep 0.5; screenshot 2-plug-tablet
    uidriver press next
    expect_page "Tablet Configuration"; sleep 0.5; screenshot 3-tablet-configuration
    uidriver press next
    expect_page "Tablet not detected"
    uidriver click 1022
    expect_eq "$(checked)" "1022" "manual choice checked alone"
    sleep 0.5; screenshot 4-tablet-not-detected
    uidriver press next
    expect_page "Manually specify port"
    expect_eq "$(checked)" "1000" "COM1 checked at first display"
    uidriver click 1005
    expect_eq "$(checked)" "1005" "COM6 the only check across both columns"
    sleep 0.5; screenshot 5-manual
    uidriver press next
    expect_page "Complete Install"
    expect_eq "$(finish_port_text)" "COM6" "named port"
    sleep 0.5; screenshot 6-finish
    # Back goes to the Tablet Configuration page ("Tablet only" chosen); its
    # lookup leaves no port, and the Manual page then shows COM1 alone.
    uidriver press back
    expect_page "Tablet Configuration"
    uidriver press next
    expect_page "Tablet not detected"
    uidriver press next
    expect_page "Manually specify port"
    expect_eq "$(checked)" "1000" "a port left unknown shows as COM1"
    uidriver press next
    expect_page "Complete Install"
    expect_eq "$(finish_port_text)" "COM1" "never COM0 or COM-1"
    uidriver press back
    expect_page "Tablet Configuration"
    uidriver click 1030
    uidriver press next
    expect_page "Tablet not detected"
    uidriver press next
    expect_page "Manually specify port"
    uidriver click 1006
    uidriver press next
    expect_page "Complete Install"
    uidriver press back
    expect_page "Manually specify port"
    uidriver press next
    expect_page "Complete Install"
    finish_and_wait
    expect_port_installed 7
    ;;
manual-mouse)
    serial_mouse_on_com2
    start_setup
    wizard_to_config
    uidriver click 1030
    uidriver press next
    expect_page "Tablet not detected"
    uidriver click 1022
    uidriver press next
    expect_page "Manually specify port"
    uidriver click 1001
    uidriver press next
    msg='Setup has detected a mouse driver installed at the selected port.\nSetup will attempt to disable the mouse driver.'
    uidriver msgbox Setup "$msg" 20000 2 >/dev/null || fail "mouse message (Cancel)"
    expect_page "Manually specify port"
    uidriver press next
    uidriver msgbox Setup "$msg" 20000 1 >/dev/null || fail "mouse message (OK)"
    expect_page "Complete Install"
    expect_eq "$(finish_port_text)" "COM2" "named port"
    finish_and_wait
    expect_port_installed 2
    expect_eq "$(mouse_disabled)" "1" "agreed serial mouse disabled"
    ;;
agreement-elsewhere)
    # The lookup's agreement for COM2 does not carry over to a port named
    # afterwards by hand.
    serial_mouse_on_com2
    start_setup
    wizard_to_config
    uidriver press next
    expect_page "Complete Install"
    expect_eq "$(finish_port_text)" "COM2" "port of the serial mouse"
    uidriver press back
    expect_page "Tablet Configuration"
    uidriver click 1030
    uidriver press next
    expect_page "Tablet not detected"
    uidriver click 1022
    uidriver press next
    expect_page "Manually specify port"
    uidriver click 1004
    uidriver press next
    expect_page "Complete Install"
    expect_eq "$(finish_port_text)" "COM5" "named port"
    finish_and_wait
    expect_port_installed 5
    expect_eq "$(mouse_disabled)" "<absent>" "mouse on another port left alone"
    ;;
abort)
    start_setup
    to_not_detected
    uidriver click 1023
    uidriver press next
    uidriver msgbox Setup "The port which the tablet has been plugged into may be currently used by another device driver.\nPlease disable that device driver after Setup exits.\nThen reboot your system and run Setup again." 20000 >/dev/null ||
        fail "abort message"
    wine_wait "$BG_PID" 30 || fail "setup.exe exit code"
    expect_nothing_installed
    ;;
cancel-each)
    device 3 correct
    for target in "Penrel Tablet Setup" "Complete Install"; do
        start_setup
        expect_page "Penrel Tablet Setup"
        [ "$target" = "Complete Install" ] && { uidriver press next; expect_page "Complete Install"; }
        cancel_and_wait
        expect_nothing_installed
    done
    device 3 silent
    for stop in "Plug Tablet" "Tablet Configuration" "Tablet not detected" "Manually specify port"; do
        start_setup
        expect_page "Penrel Tablet Setup"
        for page in "Plug Tablet" "Tablet Configuration" "Tablet not detected" "Manually specify port"; do
            uidriver press next
            expect_page "$page"
            [ "$page" = "Tablet not detected" ] && uidriver click 1022
            [ "$page" = "$stop" ] && break
        done
        cancel_and_wait
        expect_nothing_installed
    done
    ;;
rescan-fails)
    device 3 correct
    start_setup
    expect_page "Penrel Tablet Setup"
    uidriver press next
    expect_page "Complete Install"
    uidriver press back
    expect_page "Penrel Tablet Setup"
    device 3 silent
    uidriver press next
    expect_page "Plug Tablet"
    uidriver press next
    expect_page "Tablet Configuration"
    uidriver press back
    expect_page "Plug Tablet"
    cancel_and_wait
    expect_nothing_installed
    ;;
detector-wait)
    # While the lookup waits for the detector the sheet takes no input;
    # the wizard goes on when the answer comes.
    export QVX_SNIFF_MODE="answer 2 8000"
    start_setup
    wizard_to_config
    uidriver press next
    for _ in $(seq 100); do [ "$(detector_starts)" = 1 ] && break; sleep 0.05; done
    sleep 0.5
    expect_eq "$(uidriver enabled | tr -d '\r')" "0" "sheet disabled during the wait"
    read -r cx cy <<<"$(uidriver button-center cancel | tr -d '\r')"
    xdotool mousemove "$cx" "$cy" click 1
    read -r bx by <<<"$(uidriver button-center back | tr -d '\r')"
    xdotool mousemove "$bx" "$by" click 1
    uidriver press back
    uidriver press cancel
    uidriver press next
    # Still waiting a second later: the presses were taken during the wait.
    sleep 1
    expect_eq "$(uidriver enabled | tr -d '\r')" "0" "still waiting after the presses"
    expect_page "Tablet Configuration" 1000
    expect_page "Complete Install" 15000
    expect_eq "$(finish_port_text)" "COM2" "detector's answer"
    expect_eq "$(uidriver enabled | tr -d '\r')" "1" "sheet enabled again"
    sleep 1
    expect_page "Complete Install" 1000
    finish_and_wait
    expect_port_installed 2
    ;;
finish-wait)
    # The mouse's port came from the detector, so Finish runs it again to
    # disable that mouse. Real clicks on Cancel, Back and Finish during
    # that wait change nothing: the port shown is the port installed.
    export QVX_SNIFF_MODE="answer 2 5000"
    start_setup
    wizard_to_config
    uidriver press next
    expect_page "Complete Install"
    expect_eq "$(finish_port_text)" "COM2" "detector's answer"
    uidriver press finish
    for _ in $(seq 100); do [ "$(detector_starts)" = 2 ] && break; sleep 0.05; done
    expect_eq "$(detector_starts)" "2" "detector started again at Finish"
    sleep 0.5
    expect_eq "$(uidriver enabled | tr -d '\r')" "0" "sheet disabled during the wait"
    for button in cancel back finish; do
        read -r x y <<<"$(uidriver button-center $button | tr -d '\r')"
        xdotool mousemove "$x" "$y" click 1
        sleep 0.3
    done
    wine_wait "$BG_PID" 30 || fail "setup.exe exit code"
    expect_port_installed 2
    expect_eq "$(detector_starts)" "2" "one detector at Finish"
    ;;
detector-late)
    # A detector that answers only after the lookup's limit: the wizard
    # moves on without it, and nothing the detector would do outlives the
    # lookup.
    export QVX_SNIFF_MODE="answer 3 22000"
    start_setup
    wizard_to_config
    uidriver press next
    started=$(date +%s)
    expect_page "Tablet not detected"
    waited=$(($(date +%s) - started))
    [ "$waited" -ge 13 ] && [ "$waited" -le 22 ] || fail "moved on after ${waited}s"
    echo "ok   moved on after ${waited}s"
    detector_alive && fail "detector still running after the lookup"
    echo "ok   no detector left"
    sleep $((started + 25 - $(date +%s)))
    grep -qi '^\[Mouse\]' "$WINDIR"/[Qq][Vv][Xx][Ii][Nn][Ss][Tt].[Ii][Nn][Ii] 2>/dev/null &&
        fail "answer file holds a [Mouse] section"
    grep -q '^wrote' "$SNIFF_LOG" && fail "the detector wrote its answer after the lookup"
    echo "ok   no answer after the detector's own time"
    cancel_and_wait
    expect_nothing_installed
    ;;
one-run)
    # While setup.exe runs, a second start of either program only brings
    # the wizard to the front and ends: no banner, no scan, no change.
    probes() { python3 -c 'import sys; print(open(sys.argv[1], "rb").read().count(b"\x00\xfar\x05"))' "$PTY/log3"; }
    second_start() {
        local t0=$(date +%s%N)
        $WINE "$PKG/$1" & local pid=$!
        QVX_BG_PIDS="${QVX_BG_PIDS:-} $pid"
        wine_wait "$pid" 20 || fail "second $1 exit code"
        echo "ok   second $1 ended by itself ($((($(date +%s%N) - t0) / 1000000)) ms)"
    }
    device 3 correct
    start_setup
    setup_pid=$BG_PID
    expect_page "Penrel Tablet Setup"
    uidriver press next
    for _ in $(seq 100); do [ -s "$PTY/log1" ] && break; sleep 0.05; done
    [ -s "$PTY/log1" ] || fail "the scan did not begin"
    second_start setup.exe
    [ -s "$PTY/log8" ] && fail "the scan was over before the second start ended"
    expect_page "Complete Install"
    expect_eq "$(probes)" "1" "the tablet saw one probe"
    wine_start notepad
    for _ in $(seq 100); do uidriver foreground Notepad >/dev/null && break; sleep 0.1; done
    uidriver foreground Notepad || fail "another program in front"
    second_start setup.exe
    uidriver foreground sheet || fail "the wizard was not brought to the front"
    echo "ok   wizard in front"
    sys_before=$(md5sum <"$WINDIR/system.ini")
    second_start pruninst.exe
    expect_eq "$(md5sum <"$WINDIR/system.ini")" "$sys_before" "pruninst.exe left system.ini alone"
    expect_eq "$(ini_value win.ini Windows SkipMouseRedetect)" "" "pruninst.exe did not run"
    BG_PID=$setup_pid
    finish_and_wait
    expect_port_installed 3
    expect_eq "$(probes)" "1" "one scan in all"
    ;;
*) echo "unknown scenario $scenario"; exit 2 ;;
esac
echo "PASS $scenario"
