#!/bin/bash
# The shipped serial-mouse detector (ptrsniff.exe from the package folder)
# against simulated devices on pseudo-terminals (mouse_sim.py: a device
# "powers up" when the detector discards its receive buffer, since DTR and
# RTS do not cross a pseudo-terminal). Each run maps COM1..COM8 afresh and
# checks the answer, the run time, that the settings of every port were put
# back, that COM5 and up were never touched and that nothing was written to
# any device.
# usage: detector_ports.sh mouse_sim.py
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
. "$(dirname "$0")/../detect/sim_ports.sh"
MOUSE_SIM=$1

expect_eq() { [ "$1" = "$2" ] || fail "$3: got '$1', want '$2'"; echo "ok   $3"; }

wine_up
install_package
SIM_PID=""
run=0
# detect "N:KIND ..." [ANSWER-FILE-ARGUMENT]: simulated devices on the
# ports named, nothing behind the others; runs the detector; sets ELAPSED
# (milliseconds).
detect() {
    run=$((run + 1))
    # The wineserver holds the previous pseudo-terminals; ending the old
    # simulator under it would hang them up and send it SIGHUP.
    if [ -n "$SIM_PID" ]; then
        $WINESERVER -k; $WINESERVER -w
        kill "$SIM_PID"; wait "$SIM_PID" 2>/dev/null
    fi
    PTY="$QVX_TMP/pty$run"
    mkdir -p "$PTY"
    # shellcheck disable=SC2086
    /usr/bin/python3 "$MOUSE_SIM" "$PTY" $1 &
    SIM_PID=$!
    QVX_BG_PIDS="${QVX_BG_PIDS:-} $SIM_PID"
    for _ in $(seq 100); do [ -e "$PTY/ready" ] && break; sleep 0.05; done
    [ -e "$PTY/ready" ] || fail "mouse simulator did not start"
    paths=()
    for n in 1 2 3 4 5 6 7 8; do
        if [ -e "$PTY/com$n" ]; then paths+=("$PTY/com$n"); else paths+=("/nonexistent/qvx-com$n"); fi
    done
    map_ports "${paths[@]}"
    # A wineserver that stays up, already started, keeps Wine's own start
    # out of the timing.
    $WINESERVER -p
    wine_run cmd /c exit >/dev/null 2>&1
    start=$(date +%s%N)
    if [ $# -ge 2 ]; then
        wine_run 'C:\Penrel Driver\ptrsniff.exe' "$2" || fail "detector exit code"
    else
        wine_run 'C:\Penrel Driver\ptrsniff.exe' qvxinst.ini || fail "detector exit code"
    fi
    ELAPSED=$((($(date +%s%N) - start) / 1000000))
    echo "     run $run ($1): ${ELAPSED} ms"
    # The simulator notes a port's settings every 15 ms.
    sleep 0.2
}

# The detector once more on the same ports, as the installer runs it again
# at Finish: a port's state after the first look must not hide the mouse.
again() {
    wine_run 'C:\Penrel Driver\ptrsniff.exe' qvxinst.ini || fail "detector exit code"
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
detect "1:silent 2:ms 3:silent 4:silent"
expect_eq "$(answer)" "2" "answer"
expect_eq "$(grep -c powerup "$PTY/log2")" "1" "COM2 powered up once"
expect_eq "$(grep powerup "$PTY/log2")" "powerup 1200" "at 1200 baud"
expect_eq "$(cat "$PTY/log3")" "" "search ended at the mouse"
expect_ports_left_alone
expect_within 4000
again
expect_eq "$(answer)" "2" "answer of a second run"
expect_eq "$(grep -c powerup "$PTY/log2")" "2" "COM2 powered up again"
expect_ports_left_alone

note "three-button mouse on COM3 behind a stray-byte talker and a modem"
detect "1:junk 2:modem 3:m3 4:silent"
expect_eq "$(answer)" "3" "answer"
expect_ports_left_alone
expect_within 4000

note "Plug and Play mouse (7-bit identification, no M) on COM1"
detect "1:pnp 2:ms"
expect_eq "$(answer)" "1" "answer"
expect_eq "$(cat "$PTY/log2")" "" "COM2 not looked at"
expect_ports_left_alone

note "Plug and Play mouse (M, 6-bit identification) on COM4"
detect "1:silent 2:silent 3:silent 4:pnp6"
expect_eq "$(answer)" "4" "answer"
expect_ports_left_alone

note "no device anywhere; an earlier answer in the file is replaced"
detect "1:silent 2:silent 3:silent 4:silent 5:silent 6:silent 7:silent 8:silent"
expect_eq "$(answer)" "0" "answer"
expect_ports_left_alone
expect_within 4000

note "a mouse on COM5 only, answer file named by a quoted path with a blank"
printf '[Mouse]\r\nDetectedPort=7\r\n' >"$PKG/answer file.ini"
detect "1:silent 2:silent 3:silent 4:silent 5:ms" 'C:\Penrel Driver\answer file.ini'
expect_eq "$(answer 'C:\Penrel Driver\answer file.ini')" "0" "answer"
expect_ports_left_alone

note "noise on every port: not a mouse, and the longest run"
detect "1:noise 2:noise 3:noise 4:noise 5:ms"
expect_eq "$(answer)" "0" "answer"
expect_ports_left_alone
expect_within 10000

note "no port behind any COM name (as in the installer scenarios)"
detect ""
expect_eq "$(answer)" "0" "answer"
expect_within 1000

echo "PASS detector ports"
