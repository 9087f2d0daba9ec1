# Sourced after winenv.sh: walks the installer's wizard through the UI driver.

# Waits for a wizard page; fails the scenario when another one shows. The
# default wait covers a serial-mouse lookup before the page (the detector's
# own limit is 15 s) with room for a machine busy with other tests.
# Exit code 1 is the driver's own "not found"; anything else means the
# driver itself did not run through (seen once under heavy load), so it is
# asked once more before the scenario fails.
expect_page() {
    local t0 rc
    t0=$(date +%s%N)
    uidriver page "$1" "${2:-40000}" >/dev/null
    rc=$?
    if [ $rc -ne 0 ] && [ $rc -ne 1 ]; then
        echo "note: UI driver ended with $rc, asking again" >&2
        uidriver page "$1" "${2:-40000}" >/dev/null
        rc=$?
    fi
    [ $rc -eq 0 ] || fail "page '$1' (UI driver exit code $rc, after $((($(date +%s%N) - t0) / 1000000)) ms)"
    echo "ok   page '$1' ($((($(date +%s%N) - t0) / 1000000)) ms)"
}

MOUSE_HW='SERENUM\*PNP0F0C\0000'

# A serial mouse that Windows installed on COM2 (I/O base 0x2F8).
serial_mouse_on_com2() {
    uidriver reg-set HKDD 'Config Manager\Enum\C1A2B3C4' HardWareKey sz "$MOUSE_HW" || fail "fixture"
    uidriver reg-set HKLM "Enum\\$MOUSE_HW" ComInfo hex f8020000 || fail "fixture"
}
mouse_disabled() { uidriver reg-get HKCC "Enum\\$MOUSE_HW" CSConfigFlags | tr -d '\r'; }

# From the Welcome page with no tablet answering: both scans find nothing,
# on to Tablet Configuration.
wizard_to_config() {
    expect_page "Penrel Tablet Setup"
    uidriver press next
    expect_page "Plug Tablet"
    uidriver press next
    expect_page "Tablet Configuration"
}

# From the Welcome page with no tablet and no serial mouse anywhere: the
# scans find nothing, so the user names PORT by hand and presses Finish.
wizard_install_manual() {
    port=$1
    wizard_to_config
    uidriver press next
    expect_page "Tablet not detected"
    uidriver click 1022
    uidriver press next
    expect_page "Manually specify port"
    uidriver click $((999 + port))
    uidriver press next
    expect_page "Complete Install"
    [ "$(uidriver text 1028 | tr -d '\r')" = "COM$port" ] || fail "Finish page port text"
    uidriver press finish
}
