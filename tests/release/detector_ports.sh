#!/bin/bash
# The shipped serial-mouse detector (ptrsniff.exe from the package folder)
# against simulated devices on pseudo-terminals (mouse_sim.py: a device
# "powers up" when the detector discards its receive buffer, since DTR and
# RTS do not cross a pseudo-terminal). Each run gives COM1..COM8 their
# devices and checks the answer, the run time, that the settings of every
# port were put back, that COM5 and up were never touched and that nothing
# was written to any device.
# usage: detector_ports.sh mouse_sim.py
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
. "$(dirname "$0")/../detect/sim_ports.sh"
MOUSE_SIM=$1

expect_eq() { [ "$1" = "$2" ] || fail "$3: got '$1', want '$2'"; echo "ok   $3"; }

wine_up
install_package
# One simulator behind COM1..COM8 for every run; each run gives the ports
# their devices. The wineserver stays up and started, which keeps Wine's own
# start out of the timings.
PTY="$QVX_TMP/pty"
mkdir -p "$PTY"
/usr/bin/python3 "$MOUSE_SIM" "$PTY" 1:silent 2:silent 3:silent 4:silent \
    5:silent 6:silent 7:silent 8:silent &
SIM_PID=$!
QVX_BG_PIDS="${QVX_BG_PIDS:-} $SIM_PID"
for _ in $(seq 100); do [ -e "$PTY/ready" ] && break; sleep 0.05; done
[ -e "$PTY/ready" ] || fail "mouse simulator did not start"
map_ports "$PTY/com1" "$PTY/com2" "$PTY/com3" "$PTY/com4" \
          "$PTY/com5" "$PTY/com6" "$PTY/com7" "$PTY/com8"
$WINESERVER -p
wine_run cmd /c exit >/dev/null 2>&1

# devices "N:KIND ...": those devices, nothing on the other ports; fresh logs.
generation=0
devices() {
    generation=$((generation + 1))
    for n in 1 2 3 4 5 6 7 8; do
        kind=silent
        for entry in $1; do [ "${entry%%:*}" = "$n" ] && kind=${entry#*:}; done
        echo "$kind $generation" >"$PTY/kind$n"
    done
    for n in 1 2 3 4 5 6 7 8; do
        for _ in $(seq 100); do
            [ "$(cat "$PTY/ack$n" 2>/dev/null)" = "$generation" ] && break
            sleep 0.05
        done
        [ "$(cat "$PTY/ack$n" 2>/dev/null)" = "$generation" ] || fail "COM$n did not take its device"
        : >"$PTY/log$n"
    done
}

# detect [ANSWER-FILE-ARGUMENT]: runs the detector; sets ELAPSED (ms).
detect() {
    start=$(date +%s%N)
    wine_run 'C:\Penrel Driver\ptrsniff.exe' "${1:-qvxinst.ini}" || fail "detector exit code"
    ELAPSED=$((($(date +%s%N) - start) / 1000000))
    echo "     ${ELAPSED} ms"
    # The simulator notes a port's settings every 15 ms.
    sleep 0.2
}

answer() { ini_value "${1:-qvxinst.ini}" Mouse DetectedPort; }

# Every simulated port is back at its starting speed, and only COM1..COM4
# were powered up; nothing was sent to any device.
expect_ports_left_alone() {
    for f in "$PTY"/settings*; do
        expect_eq "$(cat "$f")" "9600 1" "$(basename "$f") put back"
    done
    for n in 5 6 7 8; do
        [ -f "$PTY/log$n" ] || continue
        grep -q powerup "$PTY/log$n" && fail "COM$n was probed"
    done
    if grep -h '^host' "$PTY"/log* 2>/dev/null; then fail "the detector wrote to a device"; fi
    echo "ok   ports left as they were"
}

expect_within() {
    [ "$ELAPSED" -le "$1" ] || fail "run took ${ELAPSED} ms, bound $1 ms"
    echo "ok   within $1 ms"
}

note "Microsoft mouse on COM2"
devices "2:ms"
detect
expect_eq "$(answer)" "2" "answer"
expect_eq "$(grep -c powerup "$PTY/log2")" "1" "COM2 powered up once"
expect_eq "$(grep powerup "$PTY/log2")" "powerup 1200" "at 1200 baud"
expect_eq "$(cat "$PTY/log3")" "" "search ended at the mouse"
expect_ports_left_alone
expect_within 4000
# Once more on the same ports, as the installer runs it again at Finish: the
# state a first look leaves must not hide the mouse.
detect
expect_eq "$(answer)" "2" "answer of a second run"
expect_eq "$(grep -c powerup "$PTY/log2")" "2" "COM2 powered up again"
expect_ports_left_alone

note "three-button mouse on COM3 behind a stray-byte talker and a modem"
devices "1:junk 2:modem 3:m3"
detect
expect_eq "$(answer)" "3" "answer"
expect_ports_left_alone
expect_within 4000

note "Plug and Play mouse (7-bit identification, no M) on COM1"
devices "1:pnp 2:ms"
detect
expect_eq "$(answer)" "1" "answer"
expect_eq "$(cat "$PTY/log2")" "" "COM2 not looked at"
expect_ports_left_alone

note "Plug and Play mouse (M, 6-bit identification) on COM4"
devices "4:pnp6"
detect
expect_eq "$(answer)" "4" "answer"
expect_ports_left_alone

note "no device anywhere; an earlier answer in the file is replaced"
printf '[Mouse]\r\nDetectedPort=3\r\n' >"$WINDIR/qvxinst.ini"
devices ""
detect
expect_eq "$(answer)" "0" "answer"
expect_ports_left_alone
expect_within 4000

note "a mouse on COM5 only, answer file named by a quoted path with a blank"
printf '[Mouse]\r\nDetectedPort=7\r\n' >"$PKG/answer file.ini"
devices "5:ms"
detect 'C:\Penrel Driver\answer file.ini'
expect_eq "$(answer 'C:\Penrel Driver\answer file.ini')" "0" "answer"
expect_ports_left_alone

note "noise on every port: not a mouse, and the longest run"
devices "1:noise 2:noise 3:noise 4:noise 5:ms"
detect
expect_eq "$(answer)" "0" "answer"
expect_ports_left_alone
expect_within 10000

note "no port behind any COM name (as in the installer scenarios)"
# The wineserver holds the pseudo-terminals; ending the simulator under it
# would hang them up and send it SIGHUP.
$WINESERVER -k; $WINESERVER -w
kill "$SIM_PID"; wait "$SIM_PID" 2>/dev/null
map_ports /nonexistent/qvx-com1 /nonexistent/qvx-com2 /nonexistent/qvx-com3 /nonexistent/qvx-com4 \
          /nonexistent/qvx-com5 /nonexistent/qvx-com6 /nonexistent/qvx-com7 /nonexistent/qvx-com8
$WINESERVER -p
wine_run cmd /c exit >/dev/null 2>&1
detect
expect_eq "$(answer)" "0" "answer"
expect_within 1000

echo "PASS detector ports"
