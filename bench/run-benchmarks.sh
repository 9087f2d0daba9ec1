#!/bin/bash
# Benchmarks of the installer against general-purpose peers, measured side by
# side in one run under the same Wine: the shipped i686 programs (the package
# folder build/win32/package) under 32-bit Wine, each program in fresh
# throwaway pure 32-bit prefixes reporting Windows 98 (tests/e2e/winenv.sh).
# Where the kernel cannot run 32-bit programs (or 32-bit Wine could not be
# installed, or with QVX_TEST_ARCH=x86_64), the same sources built for x86_64
# (build/x86_64/package) in 64-bit prefixes reporting Windows 98; the table
# names the build. Prints one table of
# medians and ratios and writes it, with every sample, to
# build/bench/results.md.
#
#   installation   setup.exe from Finish to its exit, against the Setup API's
#                  own INF installer (rundll32 setupapi.dll,InstallHinfSection)
#                  applying the same package's sections, start to exit, and
#                  against the same package as an NSIS installer
#                  (bench/nsis/pr4417.nsi) installing silently (/S), start
#                  to exit (not in the x86_64 run: NSIS installers are
#                  32-bit programs)
#   size           the i686 package folder (what ships, whichever build is
#                  timed) against that NSIS installer
#   start-up       setup.exe to its Welcome page, against a program that shows
#                  one message box (bench/minimal_msgbox.cpp)
#   detection      the port-scan and detector-wait figures of
#                  tests/detect/bench_detect.sh, run again
#
# usage: bench/run-benchmarks.sh [RUNS]
#   RUNS                 repetitions per timing (default 9; or QVX_BENCH_RUNS)
#   QVX_BENCH_POLL_MS    window poll interval of the start-up wait (default 5)
#   QVX_BENCH_MAXLOAD    before each part, wait (up to 5 min) until the
#                        1-minute load average is below this (default 1.5)
#   QVX_BENCH_HIGHLOAD   a part whose load average at its end is above this
#                        is measured once more (default 2.5)
#   QVX_BENCH_PARTS      the parts to run (default "size install startup detect")
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$ROOT/build/bench
RUNS=${1:-${QVX_BENCH_RUNS:-9}}
POLL=${QVX_BENCH_POLL_MS:-5}
MAXLOAD=${QVX_BENCH_MAXLOAD:-1.5}
HIGHLOAD=${QVX_BENCH_HIGHLOAD:-2.5}
# Programs go to a folder without blanks: InstallHinfSection takes the rest
# of its command line as the INF path and does not accept quotes.
WINPKG='C:\PR4417'

die() { echo "run-benchmarks: $*" >&2; exit 1; }
say() { echo "== $*" >&2; }

mkdir -p "$OUT"
SAMPLES=$OUT/samples.txt
: >"$SAMPLES"
LOADS=$OUT/load.txt
: >"$LOADS"
: >"$OUT/failures.txt"

# --- packages and builds -------------------------------------------------

"$ROOT/cmake/install-deps.sh" || die "installing the build packages failed"
ARCH=$("$ROOT/cmake/test-arch.sh") || die "no build to time"
if [ "$ARCH" = i686 ]; then
    PRESET=test TREE=build/win32 CXX=i686-w64-mingw32-g++-posix ENTRY=_WinMainCRTStartup
    BUILD_NAME="the shipped i686 programs (build/win32/package) under $(/usr/lib/wine/wine --version 2>/dev/null) (32-bit), pure 32-bit prefixes"
else
    PRESET=test-x86_64 TREE=build/x86_64 CXX=x86_64-w64-mingw32-g++-posix ENTRY=WinMainCRTStartup
    why=$("$ROOT/cmake/test-arch.sh" --why)
    BUILD_NAME="the x86_64 build of the same sources (build/x86_64/package) under $(/usr/lib/wine/wine64 --version 2>/dev/null) (64-bit), 64-bit prefixes, because $why"
fi
export QVX_BUILD_DIR=$ROOT/$TREE QVX_TOOLS_DIR=$ROOT/$TREE/tools
say "timing $BUILD_NAME"
if ! command -v makensis >/dev/null; then
    say "installing nsis"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    # No standard input: a question from apt must never wait for an answer.
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends nsis </dev/null ||
        { $SUDO apt-get update -qq </dev/null; DEBIAN_FRONTEND=noninteractive \
            $SUDO apt-get install -y -qq --no-install-recommends nsis </dev/null; } ||
        die "cannot install nsis (try: ${SUDO:+sudo }apt-get update && ${SUDO:+sudo }apt-get install nsis)"
fi

say "building"
(
    cd "$ROOT" || exit 1
    # The i686 package folder is what ships, and what the size part measures.
    cmake --preset win32 >/dev/null || exit 1
    [ "$PRESET" = test ] || cmake --build --preset win32 --target setup pruninst package_files >/dev/null || exit 1
    cmake --preset $PRESET >/dev/null || exit 1
    cmake --build --preset $PRESET --target setup pruninst ptrsniff package_files uidriver >/dev/null
) || die "build failed"

$CXX -O2 -static -o "$OUT/bench_timer.exe" "$ROOT/bench/bench_timer.cpp" -lcomctl32 ||
    die "bench_timer build failed"
# The message-box peer is built the way the product is: no C runtime.
$CXX -Os -ffreestanding -fno-builtin -fno-exceptions -fno-rtti \
    -fno-asynchronous-unwind-tables -fno-stack-protector \
    -nostdlib -nostartfiles -mwindows -Wl,-e,$ENTRY -s \
    -o "$OUT/minimal_msgbox.exe" "$ROOT/bench/minimal_msgbox.cpp" -luser32 -lkernel32 -lgcc ||
    die "minimal_msgbox build failed"

# The shipped package without the release banner, which would wait for an
# answer before the wizard; the Setup API peer's INF beside it, and the NSIS
# peer of the shipped package (the script's default compressor) with its
# empty twin.
rm -rf "$OUT/pkg"
mkdir -p "$OUT/pkg"
cp "$QVX_BUILD_DIR/package"/* "$OUT/pkg/"
grep -v '^Cycle=' "$QVX_BUILD_DIR/package/setup.ini" >"$OUT/pkg/setup.ini"
cat "$OUT/pkg/setup.ini" "$ROOT/bench/defaultinstall.inf" >"$OUT/pkg/bench.inf"
cp "$OUT/minimal_msgbox.exe" "$OUT/pkg/"
makensis -V1 "-DPKGDIR=$QVX_BUILD_DIR/package" "-DOUTFILE=$OUT/pkg/pr4417.exe" \
    "$ROOT/bench/nsis/pr4417.nsi" || die "NSIS installer build failed"
makensis -V1 -DNOTHING "-DPKGDIR=$QVX_BUILD_DIR/package" "-DOUTFILE=$OUT/pkg/nothing.exe" \
    "$ROOT/bench/nsis/pr4417.nsi" || die "empty NSIS installer build failed"

# --- helpers ----------------------------------------------------------------

load1() { cut -d' ' -f1 /proc/loadavg; }
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

wait_quiet() {
    for _ in $(seq 60); do
        below "$(load1)" "$MAXLOAD" && return
        sleep 5
    done
    say "load still $(load1) after 5 minutes; measuring anyway"
}

sample() { echo "$1 $2" >>"$SAMPLES"; }
median() {
    awk -v k="$1" '$1 == k { print $2 }' "$SAMPLES" | sort -g |
        awk '{ v[NR] = $1 } END { if (NR == 0) print "nan";
              else if (NR % 2) print v[(NR + 1) / 2];
              else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
count() { awk -v k="$1" '$1 == k' "$SAMPLES" | wc -l; }
values() { awk -v k="$1" '$1 == k { printf "%s%s", sep, $2; sep = " " }' "$SAMPLES"; }

# Runs a part; measures it again (its samples replaced) when the load at its
# end was high.
part() {
    name=$1; shift
    for attempt in 1 2; do
        wait_quiet
        before=$(cut -d' ' -f1-3 /proc/loadavg)
        cp "$SAMPLES" "$SAMPLES.keep"
        "$@" || die "part '$name' failed"
        after=$(cut -d' ' -f1-3 /proc/loadavg)
        echo "$name attempt $attempt: load before $before, after $after" >>"$LOADS"
        say "$name: load before $before, after $after"
        below "$(echo "$after" | cut -d' ' -f1)" "$HIGHLOAD" && return
        [ "$attempt" = 2 ] && return
        say "$name: load was high, measuring again"
        cp "$SAMPLES.keep" "$SAMPLES"
    done
}

# Runs "$@" inside a fresh prefix with its own display (tests/e2e/winenv.sh);
# the prefix is removed when it returns.
in_prefix() {
    (
        . "$ROOT/tests/e2e/winenv.sh"
        . "$ROOT/tests/detect/sim_ports.sh"
        wine_up
        mkdir -p "$WINEPREFIX/drive_c/PR4417"
        cp "$OUT/pkg"/* "$WINEPREFIX/drive_c/PR4417/"
        cp "$OUT/bench_timer.exe" "$WINEPREFIX/drive_c/"
        "$@"
    )
}

# Inside a prefix: keeps its desktop up from here on (bench_timer hold), so
# that no measured program waits for Wine to start the desktop process again.
hold_desktop() {
    $WINE 'C:\bench_timer.exe' hold >"$QVX_TMP/hold" 2>&1 &
    QVX_BG_PIDS="${QVX_BG_PIDS:-} $!"
    for _ in $(seq 200); do grep -q holding "$QVX_TMP/hold" 2>/dev/null && return; sleep 0.05; done
    fail "desktop holder did not start"
}

# Inside a prefix: runs the timing helper, prints its milliseconds.
timer() {
    line=$($WINE 'C:\bench_timer.exe' "$@" | tr -d '\r')
    case $line in
        "ms "*" exit 0") echo "$line" | cut -d' ' -f2 ;;
        *) fail "bench_timer $*: $line" ;;
    esac
}

CLASS_KEY='System\CurrentControlSet\Services\Class\QuorvixDevice'
# incomplete MSG: the run left something other than an installation: the
# prefix's INI files go to build/bench/failures/, MSG to the report, and the
# repetition ends with status 3, its timings dropped.
incomplete() {
    dir=$OUT/failures/$(basename "$QVX_TMP")
    mkdir -p "$dir"
    cp "$WINDIR"/*.ini "$dir/" 2>/dev/null
    echo "$1; INI files in $dir" | tee -a "$OUT/failures.txt" >&2
    exit 3
}
# expect WANT WHAT COMMAND...: COMMAND must print WANT; if not, read again
# a second later and report the run as incomplete.
expect() {
    want=$1; what=$2; shift 2
    got=$("$@")
    [ "$got" = "$want" ] && return
    sleep 1
    again=$("$@")
    incomplete "$what: got '$got' (read again 1 s later: '$again'), want '$want'"
}
drivers_word() { ini_value system.ini boot drivers | grep -ci wtqvx.drv; }
reg_value() { uidriver reg-get HKLM "$CLASS_KEY" "$1" | tr -d '\r'; }

# --- 1. installation ------------------------------------------------------

# setup.exe with the tablet simulator on COM3 (mode "correct"): Welcome,
# Next, Finish page. One uncounted run to warm the prefix up, then Cancel
# there (the same process life without the installation), then Finish.
install_ours() {
    TABLET_SIM=$ROOT/tools/sim/tablet_sim.py
    pty="$QVX_TMP/pty"
    mkdir -p "$pty"
    echo "correct 1" >"$pty/mode3"
    make_ptys "$pty" 3
    start_sim "$pty" 3
    map_ports /nonexistent/qvx-com1 /nonexistent/qvx-com2 "$pty/com3" /nonexistent/qvx-com4 \
              /nonexistent/qvx-com5 /nonexistent/qvx-com6 /nonexistent/qvx-com7 /nonexistent/qvx-com8
    hold_desktop
    timer button cancel "$POLL" "$WINPKG\\setup.exe" >/dev/null || exit 1
    sleep 1
    cancel=$(timer button cancel "$POLL" "$WINPKG\\setup.exe") || exit 1
    [ ! -e "$SYSDIR/WTQVX.DRV" ] || fail "Cancel installed the driver"
    sleep 1
    finish=$(timer button finish "$POLL" "$WINPKG\\setup.exe") || exit 1
    [ -e "$SYSDIR/WTQVX.DRV" ] && [ -e "$SYSDIR/tpadvx.386" ] || fail "setup.exe copied no driver files"
    expect PR-4417 "class key Model (setup.exe)" reg_value Model
    expect 3 "wintab.ini Com (setup.exe)" ini_value wintab.ini 'Penrel Tablet Driver' Com
    expect 3 "system.ini WTQVX (setup.exe)" ini_value system.ini tpadvx.386 WTQVX
    expect 1 "system.ini drivers word (setup.exe)" drivers_word
    sample ours_cancel "$cancel"
    sample ours_finish "$finish"
    sample ours_net "$(awk -v f="$finish" -v c="$cancel" 'BEGIN { print f - c }')"
}

# rundll32 on the same package: one uncounted run to warm the prefix up,
# then the section without directives (the run's fixed cost), then
# DefaultInstall.
install_peer() {
    inf="$WINPKG\\bench.inf"
    hold_desktop
    timer run rundll32.exe setupapi.dll,InstallHinfSection NothingInstall 128 "$inf" >/dev/null || exit 1
    sleep 1
    empty=$(timer run rundll32.exe setupapi.dll,InstallHinfSection NothingInstall 128 "$inf") || exit 1
    [ ! -e "$SYSDIR/WTQVX.DRV" ] || fail "the empty section installed the driver"
    sleep 1
    full=$(timer run rundll32.exe setupapi.dll,InstallHinfSection DefaultInstall 128 "$inf") || exit 1
    [ -e "$SYSDIR/WTQVX.DRV" ] && [ -e "$SYSDIR/tpadvx.386" ] || fail "InstallHinfSection copied no driver files"
    expect PR-4417 "class key Model (InstallHinfSection)" reg_value Model
    expect WTQVX.DRV "wintab.ini Driver (InstallHinfSection)" ini_value wintab.ini 'Penrel Tablet Driver' Driver
    sample peer_empty "$empty"
    sample peer_full "$full"
    sample peer_net "$(awk -v f="$full" -v e="$empty" 'BEGIN { print f - e }')"
}

# The same INF installer called inside an already running process, so that
# only its own work is timed: one uncounted call on the section without
# directives, then DefaultInstall.
install_call() {
    inf="$WINPKG\\bench.inf"
    hold_desktop
    timer hinf NothingInstall 128 "$inf" >/dev/null || exit 1
    [ ! -e "$SYSDIR/WTQVX.DRV" ] || fail "the empty section installed the driver"
    sleep 1
    call=$(timer hinf DefaultInstall 128 "$inf") || exit 1
    [ -e "$SYSDIR/WTQVX.DRV" ] && [ -e "$SYSDIR/tpadvx.386" ] || fail "InstallHinfSectionA copied no driver files"
    expect PR-4417 "class key Model (InstallHinfSectionA)" reg_value Model
    expect WTQVX.DRV "wintab.ini Driver (InstallHinfSectionA)" ini_value wintab.ini 'Penrel Tablet Driver' Driver
    sample peer_call "$call"
}

# The NSIS installer of the same package, silent, port 3 on its command line:
# one uncounted run of its empty twin to warm the prefix up, the twin again
# (the run's fixed cost), then the installer. A run that does not end with
# exit code 0, or leaves no complete installation, is reported, not timed.
install_nsis() {
    hold_desktop
    timer run "$WINPKG\\nothing.exe" /S >/dev/null || exit 1
    sleep 1
    empty=$(timer run "$WINPKG\\nothing.exe" /S) || exit 1
    [ ! -e "$SYSDIR/WTQVX.DRV" ] || fail "the empty NSIS installer installed the driver"
    sleep 1
    line=$($WINE 'C:\bench_timer.exe' run "$WINPKG\\pr4417.exe" /S /PORT=3 | tr -d '\r')
    case $line in
        "ms "*" exit 0") full=$(echo "$line" | cut -d' ' -f2) ;;
        *) incomplete "NSIS installer /S did not complete: '$line'" ;;
    esac
    [ -e "$SYSDIR/WTQVX.DRV" ] && [ -e "$SYSDIR/tpadvx.386" ] ||
        incomplete "NSIS installer /S ended but copied no driver files"
    [ -e "$WINDIR/pr4417un.exe" ] || incomplete "NSIS installer /S wrote no uninstaller"
    expect PR-4417 "class key Model (NSIS)" reg_value Model
    expect 3 "wintab.ini Com (NSIS)" ini_value wintab.ini 'Penrel Tablet Driver' Com
    expect 3 "system.ini WTQVX (NSIS)" ini_value system.ini tpadvx.386 WTQVX
    expect 1 "system.ini drivers word (NSIS)" drivers_word
    sample nsis_empty "$empty"
    sample nsis_full "$full"
}

# One side of one repetition; a failed check of what it left (status 3) is
# recorded and the benchmark goes on without its timings.
install_side() {
    in_prefix "$1"
    rc=$?
    [ "$rc" = 3 ] && return 0
    return "$rc"
}

# Each repetition: four fresh prefixes, the order turned by one each time.
part_install() {
    for i in $(seq "$RUNS"); do
        say "installation run $i/$RUNS"
        order=$(echo $INSTALL_SIDES |
            awk -v k=$(((i - 1) % $(echo $INSTALL_SIDES | wc -w))) '{ for (j = 0; j < NF; j++) print $((j + k) % NF + 1) }')
        for side in $order; do
            install_side "$side" || return 1
        done
    done
}

# --- 3. start-up ----------------------------------------------------------

startup_runs() {
    hold_desktop
    ours() { v=$(timer shown page 'Penrel Tablet Setup' "$POLL" "$WINPKG\\setup.exe") || exit 1
             sample startup_ours "$v"; }
    peer() { v=$(timer shown msgbox Minimal "$POLL" "$WINPKG\\minimal_msgbox.exe") || exit 1
             sample startup_peer "$v"; }
    # Warm-up, not counted: the first start of each in this prefix.
    timer shown page 'Penrel Tablet Setup' "$POLL" "$WINPKG\\setup.exe" >/dev/null || exit 1
    timer shown msgbox Minimal "$POLL" "$WINPKG\\minimal_msgbox.exe" >/dev/null || exit 1
    for i in $(seq "$RUNS"); do
        sleep 0.5
        if [ $((i % 2)) = 1 ]; then ours; sleep 0.5; peer; else peer; sleep 0.5; ours; fi
    done
    [ "$(count startup_ours)" -ge "$RUNS" ] && [ "$(count startup_peer)" -ge "$RUNS" ] ||
        fail "start-up samples missing"
}

part_startup() { in_prefix startup_runs; }

# --- 2. size ----------------------------------------------------------------

part_size() {
    pkg=$ROOT/build/win32/package
    [ -f "$pkg/setup.exe" ] || { say "no i686 package folder in build/win32"; return 1; }
    ours=0
    sniff=0
    OURS_FILES=""
    for f in "$pkg"/*; do
        size=$(stat -c %s "$f")
        ours=$((ours + size))
        [ "$(basename "$f")" = ptrsniff.exe ] && sniff=$size
        OURS_FILES="$OURS_FILES $(basename "$f") $size,"
    done
    if [ "$sniff" -gt 0 ]; then
        SNIFF_NOTE="ptrsniff.exe (the serial-mouse detector setup.exe starts) is in the package and counted in the first row, left out in the second"
    else
        SNIFF_NOTE="ptrsniff.exe is not in the built package, so it is not counted"
    fi
    mkdir -p "$OUT/nsis"
    best=0
    NSIS_TRIED=""
    # The peer at its smallest: every compressor, solid and not.
    for c in zlib bzip2 lzma "/SOLID zlib" "/SOLID bzip2" "/SOLID lzma"; do
        exe="$OUT/nsis/pr4417-$(echo "$c" | tr -d '/ ').exe"
        makensis -V1 "-DCOMPRESSOR=$c" "-DPKGDIR=$pkg" "-DOUTFILE=$exe" \
            "$ROOT/bench/nsis/pr4417.nsi" || return 1
        size=$(stat -c %s "$exe")
        NSIS_TRIED="$NSIS_TRIED $c $size,"
        if [ "$best" = 0 ] || [ "$size" -lt "$best" ]; then best=$size; NSIS_BEST=$c; fi
    done
    sample size_ours "$ours"
    sample size_ours_nosniff "$((ours - sniff))"
    sample size_peer "$best"
    NSIS_VERSION=$(makensis -VERSION)
}

# --- 4. detection -----------------------------------------------------------

part_detect() {
    QVX_BENCH_RUNS=$RUNS cmake --build "$QVX_BUILD_DIR" --target bench_detect >"$OUT/detect.log" 2>&1 ||
        { cat "$OUT/detect.log" >&2; return 1; }
    tr -d '\r' <"$OUT/detect.log" | awk '
        /^scan silent +run [0-9]+:/ { for (i = 1; i <= NF; i++) if ($(i+1) == "s" && $(i+2) == "floor") print "scan_silent", $i }
        /^scan tablet-on-COM3 +run [0-9]+:/ { for (i = 1; i <= NF; i++) if ($(i+1) == "s" && $(i+2) == "floor") print "scan_tablet", $i }
        /^mouse run [0-9]+:/ {
            for (i = 1; i <= NF; i++) {
                if ($i == "wall") print "mouse_wall", $(i+1)
                if ($i == "cpu") print "mouse_cpu", $(i+1)
                if ($i == "answer-to-return") print "mouse_delay", $(i+1)
            }
        }' >>"$SAMPLES"
    [ "$(count scan_silent)" -ge 1 ] && [ "$(count mouse_cpu)" -ge 1 ] ||
        { cat "$OUT/detect.log" >&2; return 1; }
}

# --- run ----------------------------------------------------------------------

# NSIS installers are 32-bit programs: the x86_64 run, made for machines
# that run no 32-bit code, leaves that side out.
INSTALL_SIDES="install_ours install_peer install_call install_nsis"
NSIS_NOTE=""
if [ "$ARCH" = x86_64 ]; then
    INSTALL_SIDES="install_ours install_peer install_call"
    NSIS_NOTE=" (not measured in the x86_64 run: the NSIS installer is a 32-bit program)"
fi
NSIS_BEST=none NSIS_TRIED="" NSIS_VERSION="" OURS_FILES="" SNIFF_NOTE="size not measured"
START=$(date '+%Y-%m-%d %H:%M:%S')
PARTS=${QVX_BENCH_PARTS:-size install startup detect}
case " $PARTS " in *" size "*) part size part_size ;; esac
case " $PARTS " in *" install "*) part installation part_install ;; esac
case " $PARTS " in *" startup "*) part start-up part_startup ;; esac
case " $PARTS " in *" detect "*) part detection part_detect ;; esac

# --- table --------------------------------------------------------------------

fmt() { case $1 in nan) echo "n/a" ;; *) awk -v v="$1" -v d="${2:-1}" 'BEGIN { printf "%.*f", d, v }' ;; esac; }
ratio() { case "$1 $2" in *nan*) echo "n/a" ;; *) awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }' ;; esac; }
met() { case $1 in [0-9]*) awk -v r="$1" -v g="$2" 'BEGIN { print (r + 0 <= g) ? "yes" : "no" }' ;; *) echo "n/a" ;; esac; }

io=$(median ours_finish); ip=$(median peer_full)
no=$(median ours_net); nc=$(median peer_call); np=$(median peer_net)
inf=$(median nsis_full); ine=$(median nsis_empty); r1s=$(ratio "$io" "$inf")
so=$(median size_ours); sn=$(median size_ours_nosniff); sp=$(median size_peer)
uo=$(median startup_ours); up=$(median startup_peer)
r1=$(ratio "$io" "$ip"); r1n=$(ratio "$no" "$nc"); r3=$(ratio "$uo" "$up")
ss=$(median scan_silent); st=$(median scan_tablet)
mw=$(median mouse_wall); mc=$(median mouse_cpu); md=$(median mouse_delay)
cpu_share=$(case "$mc $mw" in *nan*) echo "n/a" ;; *) awk -v c="$mc" -v w="$mw" 'BEGIN { printf "%.2f%%", 100 * c / w }' ;; esac)

{
    echo "# Benchmarks ($START; $(nproc) cores; $RUNS runs each; medians)"
    echo
    echo "Build timed: $BUILD_NAME, as Windows 98."
    echo
    echo "| Measurement | Ours | Peer | Ratio | Goal | Met? |"
    echo "|---|---|---|---|---|---|"
    echo "| 1a. Installation: setup.exe Finish → exit vs rundll32 InstallHinfSection start → exit | $(fmt "$io") ms | $(fmt "$ip") ms | $r1 | ≤ 1.1 | $(met "$r1" 1.1) |"
    echo "| 1b. Installation work alone: setup.exe (Finish − Cancel) vs InstallHinfSectionA call in a running process | $(fmt "$no") ms | $(fmt "$nc") ms | $r1n | ≤ 1.1 | $(met "$r1n" 1.1) |"
    echo "| 1c. Installation: setup.exe Finish → exit vs NSIS installer (/S) start → exit$NSIS_NOTE | $(fmt "$io") ms | $(fmt "$inf") ms | $r1s | — | — |"
    echo "| 2a. Size: i686 package folder vs NSIS installer ($NSIS_BEST) | $so B | $sp B | $(ratio "$so" "$sp") | — | — |"
    echo "| 2b. Size: the same without ptrsniff.exe | $sn B | $sp B | $(ratio "$sn" "$sp") | — | — |"
    echo "| 3. Start-up: setup.exe to its Welcome page vs minimal message box (poll $POLL ms) | $(fmt "$uo") ms | $(fmt "$up") ms | $r3 | ≤ 1.3 | $(met "$r3" 1.3) |"
    echo "| 4a. Port scan, 8 silent ports vs protocol floor | $(fmt "$ss" 3) s | 4.96 s | $(ratio "$ss" 4.96) | — | — |"
    echo "| 4b. Port scan, tablet on COM3 vs protocol floor | $(fmt "$st" 3) s | 4.65 s | $(ratio "$st" 4.65) | — | — |"
    echo "| 4c. Detector wait: lookup CPU time vs wall time of the 3 s wait | $(fmt "$mc" 4) s | $(fmt "$mw" 3) s | $cpu_share | — | — |"
    echo "| 4d. Detector answer → lookup return | $(fmt "$md" 1) ms | — | — | — | — |"
    echo
    echo "What each interval holds:"
    echo "- All timings: bench_timer.exe (bench/bench_timer.cpp) inside the prefix starts the measured program itself and reads QueryPerformanceCounter; a hidden window of a second bench_timer.exe keeps the prefix's desktop up, so no run waits for Wine to restart its desktop process (which it closes about 1 s after its last user exits)."
    echo "- 1a ours: setup.exe ($ARCH build), tablet simulator on COM3 (mode correct), Welcome → Next → Finish page, 1 s pause; from posting PSM_PRESSBUTTON(Finish) to the process handle being signalled: sheet teardown, the installation run and process exit. Process start, INF opening and the wizard are before the interval."
    echo "- 1a peer: rundll32.exe setupapi.dll,InstallHinfSection DefaultInstall 128 $WINPKG\\bench.inf (setup.ini + bench/defaultinstall.inf: the same CopyFiles, the class values under their full HKLM key, the same UpdateInis); from CreateProcess to exit, so it also holds process start, rundll32's window, setupapi loading, INF parsing and exit."
    echo "- 1b ours: Finish → exit minus Cancel → exit (same Finish page, sheet teardown and exit without installing), paired in one prefix after one uncounted warm-up run: the installation run alone (file queue, class registry values, INI entries) plus what setup.exe does on top: the two word-list edits, the two port entries, SkipMouseRedetect and the (stub) restart prompt. The INF is already open (before the wizard)."
    echo "- 1b peer: bench_timer.exe calls InstallHinfSectionA(hidden window, instance, \"DefaultInstall 128 $WINPKG\\bench.inf\", SW_SHOWDEFAULT) itself, setupapi.dll already loaded, in its own fresh prefix after one uncounted call on NothingInstall; times the call alone: INF opening and parsing, the file queue, registry values, INI entries."
    echo "- Not used for 1b: rundll32 DefaultInstall minus rundll32 NothingInstall, paired in one prefix (median $(fmt "$np") ms, samples peer_net below): the difference of two process runs of 100-200 ms each, whose noise is larger than the installation work."
    echo "- 1c peer: the NSIS installer of the same package (bench/nsis/pr4417.nsi, /SOLID lzma, $(stat -c %s "$OUT/pkg/pr4417.exe" 2>/dev/null) B), run as $WINPKG\\pr4417.exe /S /PORT=3 from CreateProcess to exit: process start, its CRC check and decompression, the two driver files, registry values, INI entries, word-list edits, port entries, writing its uninstaller and exit; its restart question is answered No in silent mode (setup.exe's, Wine's SetupPromptReboot, is a stub that shows nothing). In its own fresh prefix after one uncounted run of the same script built with an empty section (-DNOTHING); that empty installer's own run: median $(fmt "$ine") ms (samples nsis_empty below). Runs that ended otherwise than with exit code 0 or left no complete installation are listed at the end, untimed."
    echo "- 3: from CreateProcess to the first poll that finds the window (every $POLL ms: EnumWindows over visible #32770 windows of that process; for setup.exe also PSM_GETCURRENTPAGEHWND and the page title \"Penrel Tablet Setup\"); resolution: the poll interval (both sides late by half of it on average). Bench copy of setup.ini without the Cycle line, so no banner waits. One prefix, one uncounted start of each first, then alternating."
    echo "- 2: build/win32/package:$OURS_FILES total $so B; $SNIFF_NOTE. Peer: bench/nsis/pr4417.nsi, NSIS $NSIS_VERSION (Debian package), same driver files, registry values, INI entries, word-list edits, port entries and an uninstaller; no wizard or port detection. Sizes tried:$NSIS_TRIED smallest taken. Its silent installation is timed in 1c."
    echo "- 4: tests/detect/bench_detect.sh through the bench_detect target, $RUNS runs; log in build/bench/detect.log."
    echo
    echo "Samples (ms; scan and mouse_wall/mouse_cpu in s; sizes in bytes):"
    for k in ours_finish ours_cancel ours_net peer_full peer_empty peer_net peer_call nsis_full nsis_empty \
             startup_ours startup_peer \
             size_ours size_ours_nosniff size_peer scan_silent scan_tablet mouse_wall mouse_cpu mouse_delay; do
        echo "- $k: $(values "$k")"
    done
    echo
    echo "Load average (1, 5, 15 min) before and after each part; this run's own Wine processes count in it:"
    sed 's/^/- /' "$LOADS"
    echo
    if [ -s "$OUT/failures.txt" ]; then
        echo "Runs whose result was not a complete installation (timings dropped): $(wc -l <"$OUT/failures.txt")"
        sed 's/^/- /' "$OUT/failures.txt"
    else
        echo "Every installation run left the expected files, registry values and INI entries."
    fi
} | tee "$OUT/results.md"
say "timed $BUILD_NAME"
