# Sourced after winenv.sh and wizard.sh by the scenarios that install and
# remove the driver as a user would: the steps, what they must leave, and
# snapshots of everything a run may touch, compared difference by difference.

CLASS_KEY='HKLM\System\CurrentControlSet\Services\Class\QuorvixDevice'
PEERS="$QVX_BUILD_DIR/tests/uninstall"
BANNER="Penrel PR-4417 tablet driver, release 2.1 (sample package)"

expect_eq() { [ "$1" = "$2" ] || fail "$3: got '$1', want '$2'"; echo "ok   $3"; }
class_key_exists() { wine_run reg query "$CLASS_KEY" >/dev/null 2>&1; }

# The Add/Remove Programs entry and the installed uninstaller.
ENTRY=PenrelPR4417
ENTRY_KEY="Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$ENTRY"
COPY_DIR="$WINDIR/PR4417"
entry_value() { uidriver reg-get HKLM "$ENTRY_KEY" "$1" | tr -d '\r'; }
rename_lines() { sed -n '/^\[rename\]/I,/^\[/{/^\[/d;p}' "$WINDIR/wininit.ini" 2>/dev/null | tr -d '\r'; }

# Runs the entry's command as Add/Remove Programs does: taken from the
# registry, started from another directory.
uninstall_by_entry() {
    wine_start "$QVX_TOOLS_DIR/uidriver.exe" run-entry "$ENTRY" 'C:\'
    uidriver msgbox "PR-4417 Uninstaller" "$BANNER" 15000 >/dev/null || fail "uninstaller banner"
    uidriver no-window "#32770" - 2000 || fail "a dialog appeared after the banner"
    wine_wait "$BG_PID" 60 || fail "the entry's command failed"
}

expect_entry_installed() {
    expect_eq "$(entry_value DisplayName)" "Penrel PR-4417 Tablet Driver" "entry DisplayName"
    expect_eq "$(entry_value UninstallString)" '"C:\windows\PR4417\PRUNINST.EXE"' \
        "entry UninstallString"
    cmp -s "$PKG/pruninst.exe" "$COPY_DIR/pruninst.exe" || fail "installed pruninst.exe"
    cmp -s "$PKG/setup.ini" "$COPY_DIR/setup.ini" || fail "installed setup.ini differs from the package's"
    echo "ok   uninstaller and script installed"
}

expect_entry_removed() {
    wine_run reg query "HKLM\\$ENTRY_KEY" >/dev/null 2>&1 && fail "entry key still present"
    echo "ok   entry gone"
    [ ! -e "$COPY_DIR/setup.ini" ] || fail "installed setup.ini left behind"
    echo "ok   installed script deleted"
}


# The installation, as a user would run it: no tablet answers, so the port
# (COM2) is named by hand on the wizard's pages.
install_driver() {
    wine_start "$PKG/setup.exe"
    uidriver msgbox "PR-4417 Installer" "$BANNER" 15000 >/dev/null || fail "installer banner"
    wizard_install_manual 2 >/dev/null
    wine_wait "$BG_PID" 60 || fail "setup.exe exit code"
    [ -e "$SYSDIR/WTQVX.DRV" ] && class_key_exists || fail "installation did not take place"
    echo "ok   installed"
}

# "Tablet only" with the serial mouse on COM2 (serial_mouse_on_com2): the
# lookup names the port and Finish disables that mouse.
wizard_tablet_only() {
    wine_start "$PKG/setup.exe"
    uidriver msgbox "PR-4417 Installer" "$BANNER" 15000 >/dev/null || fail "installer banner"
    wizard_to_config >/dev/null
    uidriver press next
    expect_page "Complete Install" >/dev/null
    [ "$(uidriver text 1028 | tr -d '\r')" = COM2 ] || fail "Finish page port text"
    uidriver press finish
}

# The same walk to a completed installation.
install_tablet_only() {
    wizard_tablet_only
    wine_wait "$BG_PID" 60 || fail "setup.exe exit code"
    [ -e "$SYSDIR/WTQVX.DRV" ] && class_key_exists || fail "installation did not take place"
    echo "ok   installed with the tablet alone on COM2"
}

# The serial mouse's "CSConfigFlags" in the current hardware profile as
# reg.exe shows it ("REG_DWORD 0x1"), "<absent>", or "<no key>" when the
# profile has no key for the device.
mouse_profile() {
    local out
    out=$(wine_run reg query "HKCC\\Enum\\$MOUSE_HW" 2>/dev/null) || { echo "<no key>"; return; }
    echo "$out" | tr -d '\r' |
        awk '$1 == "CSConfigFlags" { print $2, $3; found = 1 } END { if (!found) print "<absent>" }'
}

# Runs pruninst.exe: its banner (when the script has one), then no dialog at
# all (no error message, no Setup API prompt) until it ends.
uninstall_driver() {
    wine_start "$PKG/pruninst.exe"
    if [ "${1:-}" = host-check ]; then
        uidriver hidden-host-check QVXPR4417_Uninstall "Quorvix PR-4417 Uninstall" ||
            fail "uninstaller host window"
    fi
    uidriver msgbox "PR-4417 Uninstaller" "$BANNER" 15000 >/dev/null || fail "uninstaller banner"
    uidriver no-window "#32770" - 2000 || fail "a dialog appeared after the banner"
    wine_wait "$BG_PID" 60 || fail "pruninst.exe exit code"
    echo "ok   uninstaller ended without a message"
}

# The state a run may touch: INI entries as the profile API reads them
# (win.ini's [Windows] lives in the registry under Wine), the class key and
# the names in the system directory.
snapshot() {
    {
        $WINE "$PEERS/ini_snapshot.exe" system.ini wintab.ini win.ini win.ini:Windows
        wine_run reg query "$CLASS_KEY" /s 2>/dev/null || echo "class key absent"
        ls "$SYSDIR" | sed 's/^/sysdir /'
    } | tr -d '\r' | grep -v '^$' >"$QVX_TMP/$1"
}

# Differences between two snapshots, each matched against the changes that
# the script explains ("explained") or that Wine's Setup API leaves behind
# ("wine"): UpdateInis under Wine only writes an entry's new text and never
# deletes, so the removal entries of [DriverIniRemove] have no effect there.
# Prints every difference; fails on any that nothing explains.
declare -A EXPLAINED=() WINE_LIMIT=()
# A pattern is the line itself, where "*" stands for any text.
matches() {
    local pat=${2//\[/\\[}
    pat=${pat//\]/\\]}
    # shellcheck disable=SC2053
    [[ "$1" == $pat ]]
}
compare() {
    local unexplained=0 line reason
    local diffs
    diffs=$(diff "$QVX_TMP/$1" "$QVX_TMP/$2" | sed -n 's/^< /- /p; s/^> /+ /p')
    echo "--- differences $1 -> $2:"
    [ -z "$diffs" ] && echo "    (none)"
    local seen_wine=()
    while IFS= read -r line; do
        [ -z "$line" ] && continue
        reason=""
        for pat in "${!EXPLAINED[@]}"; do
            matches "$line" "$pat" && { reason="explained: ${EXPLAINED[$pat]}"; break; }
        done
        if [ -z "$reason" ]; then
            for pat in "${!WINE_LIMIT[@]}"; do
                matches "$line" "$pat" && { reason="Wine limitation: ${WINE_LIMIT[$pat]}"; seen_wine+=("$pat"); break; }
            done
        fi
        if [ -z "$reason" ]; then
            reason="UNEXPLAINED"
            unexplained=$((unexplained + 1))
        fi
        printf '    %s    [%s]\n' "$line" "$reason"
    done <<<"$diffs"
    for pat in "${!WINE_LIMIT[@]}"; do
        [[ " ${seen_wine[*]:-} " == *" $pat "* ]] ||
            echo "    note: expected Wine leftover not seen (Wine may have changed): $pat"
    done
    [ "$unexplained" -eq 0 ] || fail "$unexplained unexplained difference(s) $1 -> $2"
    echo "ok   every difference $1 -> $2 is explained"
}

expect_removed() {
    [ ! -e "$SYSDIR/tpadvx.386" ] || fail "tpadvx.386 still in the system directory"
    [ ! -e "$SYSDIR/WTQVX.DRV" ] || fail "WTQVX.DRV still in the system directory"
    echo "ok   driver files deleted"
    class_key_exists && fail "class key still present"
    echo "ok   class key deleted"
}

expect_lists_cleaned() {
    expect_eq "$(ini_value system.ini boot drivers)" "mmsystem.dll power.drv" \
        "drivers: our word gone, the others in order"
    expect_eq "$(ini_value system.ini 386Enh Pointing)" "${1:-vmouse.386 msmouse.vxd}" \
        "Pointing: our word gone, the others in order"
}
