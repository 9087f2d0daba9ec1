# Sourced after winenv.sh: pseudo-terminal pairs with simulated devices
# behind them, and the mapping of COM1..COM8 to Unix paths.
#   make_ptys DIR N...      one socat pair per port: DIR/comN <-> DIR/peerN
#   start_sim DIR N...      tablet_sim.py on DIR/peerN (TABLET_SIM = its path)
#   map_ports P1 ... P8     COMn -> Pn, then a fresh wineserver reads them

make_ptys() {
    dir=$1; shift
    for n in "$@"; do
        socat pty,raw,echo=0,link="$dir/com$n" pty,raw,echo=0,link="$dir/peer$n" &
        QVX_BG_PIDS="${QVX_BG_PIDS:-} $!"
    done
    for n in "$@"; do
        for _ in $(seq 100); do [ -e "$dir/com$n" ] && [ -e "$dir/peer$n" ] && break; sleep 0.05; done
        [ -e "$dir/peer$n" ] || fail "socat pair $n did not come up"
    done
}

start_sim() {
    dir=$1; shift
    /usr/bin/python3 "$TABLET_SIM" "$dir" "$@" &
    QVX_BG_PIDS="${QVX_BG_PIDS:-} $!"
    for _ in $(seq 100); do [ -e "$dir/ready" ] && break; sleep 0.05; done
    [ -e "$dir/ready" ] || fail "tablet simulator did not start"
}

map_ports() {
    reg="$QVX_TMP/ports.reg"
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n' >"$reg"
    n=1
    for path in "$@"; do
        printf '"COM%d"="%s"\r\n' "$n" "$path" >>"$reg"
        n=$((n + 1))
    done
    wine_run reg import "Z:$(echo "$reg" | tr / '\\')" >/dev/null 2>&1 || fail "port mapping not imported"
    $WINESERVER -k
    $WINESERVER -w
}
