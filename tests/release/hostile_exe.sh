#!/bin/bash
# Hostile installation scripts through the real setup.exe and pruninst.exe,
# started from the package folder in one Wine prefix. Every run is killed
# after LIMIT seconds and then counts as a hang; a nonzero exit code counts
# as a crash; INI entries, the class key and the driver files are compared
# before and after each run. Prints a table of the outcomes; fails when any
# case is not ok.
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
. "$(dirname "$0")/../e2e/wizard.sh"
LIMIT=60
wine_up
install_package
started=$(date +%s)
# One wineserver for the whole group, so that no program starts while the
# last one's server is shutting down.
$WINESERVER -p
wine_run reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1 || fail "crash dialog setting"

SNAPSHOT="$QVX_BUILD_DIR/tests/uninstall/ini_snapshot.exe"
[ -x "$SNAPSHOT" ] || fail "ini_snapshot.exe not built"
CLASS_KEY='HKLM\System\CurrentControlSet\Services\Class\QuorvixDevice'
WIN_KEY='HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows'
BANNER="Penrel PR-4417 tablet driver, release 2.1 (sample package)"
SAMPLE="$PKG/setup.ini.sample"
mv "$PKG/setup.ini" "$SAMPLE"
cp "$WINDIR/system.ini" "$QVX_TMP/system.ini.orig"
CLEAN_DRIVERS="mmsystem.dll qvxold.drv power.drv"

# --- Hostile scripts -----------------------------------------------------------
S="$QVX_TMP/scripts"
mkdir -p "$S"
python3 - "$SAMPLE" "$S" <<'EOF'
import random, re, sys
sample = open(sys.argv[1], encoding="latin-1").read()
out = sys.argv[2]
def put(name, text):
    data = text if isinstance(text, bytes) else text.encode("latin-1")
    open(out + "/" + name, "wb").write(data)
def section(text, name, body):
    return re.sub(r"\[" + re.escape(name) + r"\]\n(?:(?!\[).*\n)*", "[" + name + "]\n" + body, text)
def drop(text, name):
    return re.sub(r"\[" + re.escape(name) + r"\]\n(?:(?!\[).*\n)*", "", text)
put("empty", b"")
put("random", bytes(random.Random(1).randrange(256) for _ in range(4096)))
put("nuls", b"\0" * 1024)
put("cut-version", sample[:sample.index("[Version]") + 5])
cycle = 'Cycle="Penrel PR-4417 tablet driver, release 2.1 (sample package)"'
put("banner300-noclass", sample.replace("Class=QuorvixDevice\n", "").replace(cycle, "Cycle=" + "B" * 300))
put("banner10k", sample.replace(cycle, 'Cycle="' + "C" * 10000 + '"'))
swap = "".join("%d=system.ini,boot,drivers,%s,hw%d\n" % (n, "hw%d" % (n - 1) if n else "hwx", n) for n in range(5000))
put("update5000", section(sample, "MyUpdateIniFields", swap))
removals = "".join("%d=system.ini,boot,drivers,%s\n" % (n, "wtqvx.drv" if n == 4999 else "hw%d" % n) for n in range(5000))
put("remove5000", section(sample, "MyRemoveIniFields", removals))
put("no-uninstall", drop(sample, "Uninstall"))
marker = "[MyRemoveIniFields]\n0=system.ini,boot,drivers,wtq"
put("cut-removal", sample[:sample.index(marker) + len(marker)])
EOF

# --- State ---------------------------------------------------------------------
set_redetect() { wine_run reg add "$WIN_KEY" /v SkipMouseRedetect /d "$1" /f >/dev/null 2>&1; }

# Before an installation: other software's words in the shared lists.
state_clean() {
    { cat "$QVX_TMP/system.ini.orig"
      printf '[boot]\r\ndrivers=%s\r\n[386Enh]\r\nPointing=vmouse.386 msmouse.vxd\r\n' "$CLEAN_DRIVERS"
    } >"$WINDIR/system.ini"
    rm -f "$WINDIR/wintab.ini" "$SYSDIR/tpadvx.386" "$SYSDIR/WTQVX.DRV"
    wine_run reg delete "$CLASS_KEY" /f >/dev/null 2>&1
    set_redetect 0
}

# As an installation of the sample package on COM2 leaves things.
state_installed() {
    { cat "$QVX_TMP/system.ini.orig"
      printf '[boot]\r\ndrivers=mmsystem.dll power.drv  wtqvx.drv\r\n'
      printf '[386Enh]\r\nPointing=vmouse.386 msmouse.vxd tpadvx.386\r\ntpadvx=tpadvx.386\r\n'
      printf '[tpadvx.386]\r\nWTQVX=2\r\n'
    } >"$WINDIR/system.ini"
    printf '[Penrel Tablet Driver]\r\nDriver=WTQVX.DRV\r\nModel=PR-4417\r\nCom=2\r\n' >"$WINDIR/wintab.ini"
    cp "$PKG/tpadvx.386" "$PKG/WTQVX.DRV" "$SYSDIR/"
    wine_run reg add "$CLASS_KEY" /v Model /d PR-4417 /f >/dev/null 2>&1
    set_redetect 0
}

# The INI entries through the profile API. The peer is started again when it
# printed nothing of system.ini, which a run here once saw.
ini_entries() {
    local try
    for try in 1 2 3; do
        $WINE "$SNAPSHOT" system.ini wintab.ini win.ini:Windows >"$QVX_TMP/entries" 2>/dev/null &&
            grep -q '^system\.ini \[' "$QVX_TMP/entries" && { cat "$QVX_TMP/entries"; return; }
        sleep 0.5
    done
    echo "ini_snapshot failed"
}

snapshot() {
    {
        ini_entries
        wine_run reg query "$CLASS_KEY" /s 2>/dev/null | sed 's/^/classkey /' || true
        ls "$SYSDIR" | grep -i -E '^(tpadvx\.386|wtqvx\.drv)$' | sed 's/^/sysdir /'
        (cd "$WINDIR" && find . -maxdepth 1 -type f ! -iname '*.ini' -printf 'windir %f %s\n' | sort)
    } | tr -d '\r' | grep -v '^$' >"$QVX_TMP/$1"
}

# Lines that changed, as "- old" and "+ new".
changes() { diff "$QVX_TMP/before" "$QVX_TMP/after" | sed -n 's/^< /- /p; s/^> /+ /p'; }

# --- Running a case ------------------------------------------------------------
declare -A CASES=() OKS=() CRASHES=() HANGS=() DAMAGES=() WRONGS=() MAXS=()
SLOWEST=0
ORDER=()
NOT_OK=()

# run_case CATEGORY NAME PROGRAM SCRIPT DRIVE CHECK
#   DRIVE: function answering the program's dialogs (run in a subshell)
#   CHECK: function judging the changes; prints "damage: ..." or
#          "wrong: ..." lines
run_case() {
    local category=$1 name=$2 program=$3 script=$4 drive=$5 check=$6
    [[ -z "${QVX_HOSTILE_CASE:-}" || "$name" == *"$QVX_HOSTILE_CASE"* ]] || return 0
    cp "$S/$script" "$PKG/setup.ini"
    snapshot before
    local t0 pid outcome=ok detail="" code
    t0=$(date +%s%N)
    $WINE "$PKG/$program" &
    pid=$!
    if ! ( $drive ) >"$QVX_TMP/drive.out" 2>"$QVX_TMP/drive.err"; then
        detail="dialogs not as expected: $(grep -v '^ *$' "$QVX_TMP/drive.err" | head -3 | tr '\n' ' ')"
    fi
    while kill -0 "$pid" 2>/dev/null && [ $(( ($(date +%s%N) - t0) / 1000000000 )) -lt $LIMIT ]; do
        sleep 0.2
    done
    if kill -0 "$pid" 2>/dev/null; then
        outcome=hang
        detail="still running after ${LIMIT}s; $detail"
        screenshot "hostile_exe-hang-$((${#NOT_OK[@]} + 1))" 2>/dev/null
        kill -9 "$pid" 2>/dev/null
        $WINESERVER -k
    fi
    wait "$pid" 2>/dev/null
    code=$?
    local ms=$(( ($(date +%s%N) - t0) / 1000000 ))
    # The longest wait for a wizard page, to tell a slow step from a lost
    # button press should a walk ever fail.
    local wait
    wait=$(sed -n "s/^ok   page '\(.*\)' (\([0-9]*\) ms)$/\2 \1/p" "$QVX_TMP/drive.out" | sort -n | tail -1)
    if [ -n "$wait" ] && [ "${wait%% *}" -gt "${SLOWEST%% *}" ]; then
        SLOWEST="${wait%% *} ms for page '${wait#* }' in $name"
    fi
    if [ $outcome = ok ] && [ $code -ne 0 ]; then
        outcome=crash
        detail="exit code $code"
    fi
    if [ $outcome = ok ]; then
        snapshot after
        local verdict
        verdict=$($check)
        if grep -q '^damage' <<<"$verdict"; then
            outcome=damage
        elif grep -q '^wrong' <<<"$verdict" || [ -n "$detail" ]; then
            outcome=wrong
        fi
        [ -n "$verdict" ] && detail="$detail $(tr '\n' ';' <<<"$verdict")"
    fi
    local row="exe: $category"
    if [ -z "${CASES[$row]:-}" ]; then
        ORDER+=("$row")
        CASES[$row]=0 OKS[$row]=0 CRASHES[$row]=0 HANGS[$row]=0 DAMAGES[$row]=0 WRONGS[$row]=0 MAXS[$row]=0
    fi
    CASES[$row]=$((CASES[$row] + 1))
    case $outcome in
    ok) OKS[$row]=$((OKS[$row] + 1)) ;;
    crash) CRASHES[$row]=$((CRASHES[$row] + 1)) ;;
    hang) HANGS[$row]=$((HANGS[$row] + 1)) ;;
    damage) DAMAGES[$row]=$((DAMAGES[$row] + 1)) ;;
    wrong) WRONGS[$row]=$((WRONGS[$row] + 1)) ;;
    esac
    [ "$ms" -gt "${MAXS[$row]}" ] && MAXS[$row]=$ms
    printf '[%-6s] %s / %s (%d ms) %s\n' "$outcome" "$row" "$name" "$ms" "$detail"
    if [ $outcome != ok ]; then
        NOT_OK+=("$outcome $row / $name: $detail")
        # What was compared, for a look afterwards.
        mkdir -p "$QVX_BUILD_DIR/failures"
        local keep="$QVX_BUILD_DIR/failures/hostile_exe-${#NOT_OK[@]}"
        cp "$QVX_TMP/before" "$keep.before" 2>/dev/null
        cp "$QVX_TMP/after" "$keep.after" 2>/dev/null
        cat "$QVX_TMP/drive.out" "$QVX_TMP/drive.err" >"$keep.drive" 2>/dev/null
        echo "    snapshots: $keep.before, $keep.after; dialogs: $keep.drive"
    fi
}

# --- Dialogs -------------------------------------------------------------------
no_dialog() { uidriver no-window "#32770" - 1500; }
# Answers a message box and waits until it has gone.
answer() { uidriver msgbox "$1" "$2" "$3" && uidriver gone "#32770" "$1" 5000; }
setup_banner_only() {
    answer "PR-4417 Installer" "$(printf 'B%.0s' $(seq 79))" 15000 && no_dialog
}
setup_long_banner_install() {
    uidriver msgbox "PR-4417 Installer" "$(printf 'C%.0s' $(seq 79))" 15000 && wizard_install_manual 2
}
setup_install() { uidriver msgbox "PR-4417 Installer" "$BANNER" 15000 && wizard_install_manual 2; }
pruninst_banner() { answer "PR-4417 Uninstaller" "$BANNER" 15000 && no_dialog; }
# The platform decides whether a missing section counts as a failure.
pruninst_banner_maybe_error() {
    answer "PR-4417 Uninstaller" "$BANNER" 15000 || return 1
    answer "Error" "Uninstallation did not complete successfully!" 3000 2>/dev/null || true
    no_dialog
}

# --- Judging -------------------------------------------------------------------
value() { ini_value "$1" "$2" "$3"; }
expect() { local got; got=$(value "$1" "$2" "$3"); [ "$got" = "$4" ] || echo "wrong: $1 [$2] $3 = '$got', want '$4'"; }

unchanged() {
    local c
    c=$(changes)
    [ -z "$c" ] || echo "damage: $(head -3 <<<"$c" | tr '\n' ' ')"
}

# Only the entries an installation of the sample writes may change.
installed_only() {
    local c
    c=$(changes | grep -v -E '^[-+] (system\.ini \[boot\] drivers=|system\.ini \[386Enh\] (Pointing|tpadvx)=|system\.ini \[tpadvx\.386\] WTQVX=|wintab\.ini \[Penrel Tablet Driver\] |win\.ini \[Windows\] SkipMouseRedetect=|classkey |sysdir )')
    [ -z "$c" ] || echo "damage: $(head -3 <<<"$c" | tr '\n' ' ')"
    expect wintab.ini "Penrel Tablet Driver" Com 2
    expect system.ini tpadvx.386 WTQVX 2
}
check_long_banner() {
    installed_only
    expect system.ini boot drivers "mmsystem.dll power.drv  wtqvx.drv"
}
check_update5000() {
    installed_only
    expect system.ini boot drivers "$CLEAN_DRIVERS  hw4999"
}

# Only what a removal of the sample takes away may change.
removed_only() {
    local c
    c=$(changes | grep -v -E '^[-+] (system\.ini \[boot\] drivers=|system\.ini \[386Enh\] (Pointing|tpadvx)=|system\.ini \[tpadvx\.386\] WTQVX=|wintab\.ini \[Penrel Tablet Driver\] |win\.ini \[Windows\] SkipMouseRedetect=|classkey |sysdir )')
    [ -z "$c" ] || echo "damage: $(head -3 <<<"$c" | tr '\n' ' ')"
    expect win.ini Windows SkipMouseRedetect 1
    wine_run reg query "$CLASS_KEY" >/dev/null 2>&1 && echo "wrong: class key left"
    true
}
check_remove5000() {
    removed_only
    expect system.ini boot drivers "mmsystem.dll power.drv"
}
check_no_uninstall() {
    removed_only
    expect system.ini boot drivers "mmsystem.dll power.drv"
    [ -e "$SYSDIR/WTQVX.DRV" ] || echo "damage: WTQVX.DRV deleted though no section names it"
}
check_cut_removal() {
    removed_only
    expect system.ini boot drivers "mmsystem.dll power.drv wtqvx.drv"
    expect system.ini 386Enh Pointing "vmouse.386 msmouse.vxd tpadvx.386"
}

# --- The cases -----------------------------------------------------------------
for script in empty random cut-version; do
    state_clean
    run_case "setup.exe" "$script" setup.exe "$script" no_dialog unchanged
done
state_clean
run_case "setup.exe" "300-character banner, no class" setup.exe banner300-noclass setup_banner_only unchanged
state_clean
run_case "setup.exe" "10 000-character banner" setup.exe banner10k setup_long_banner_install check_long_banner
state_clean
run_case "setup.exe" "5000 directives" setup.exe update5000 setup_install check_update5000

for script in empty nuls random; do
    state_installed
    run_case "pruninst.exe" "$script" pruninst.exe "$script" no_dialog unchanged
done
state_installed
run_case "pruninst.exe" "5000 removal directives" pruninst.exe remove5000 pruninst_banner check_remove5000
state_installed
run_case "pruninst.exe" "no [Uninstall]" pruninst.exe no-uninstall pruninst_banner_maybe_error check_no_uninstall
state_installed
run_case "pruninst.exe" "cut in a removal directive" pruninst.exe cut-removal pruninst_banner check_cut_removal

# --- Summary -------------------------------------------------------------------
echo
echo "HOSTILE INPUT SUMMARY (real programs, ${LIMIT}s limit per run)"
printf '%-34s %6s %5s %5s %5s %6s %5s %8s\n' category cases ok crash hang damage wrong "max ms"
status=0
for row in "${ORDER[@]}"; do
    printf '%-34s %6d %5d %5d %5d %6d %5d %8d\n' "$row" "${CASES[$row]}" "${OKS[$row]}" \
        "${CRASHES[$row]}" "${HANGS[$row]}" "${DAMAGES[$row]}" "${WRONGS[$row]}" "${MAXS[$row]}"
done
for line in "${NOT_OK[@]+"${NOT_OK[@]}"}"; do
    echo "NOT OK: $line"
    status=1
done
echo "slowest wizard page: $SLOWEST"
echo "group exe: $(($(date +%s) - started)) s in all"
exit $status
