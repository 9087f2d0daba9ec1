#!/bin/bash
# Builds the programs and runs the installer as it ships (the i686 setup.exe
# of build/win32/package) on the sample driver package under 32-bit Wine, in
# a throwaway pure 32-bit Wine prefix that reports Windows 98 (your ~/.wine
# is never touched). Where the kernel cannot run 32-bit programs (or 32-bit
# Wine could not be installed, or with QVX_TEST_ARCH=x86_64), it runs the
# same sources built for x86_64 under 64-bit Wine, in a 64-bit prefix that
# reports Windows 98.
#   ./run-demo.sh              the installer (setup.exe)
#   ./run-demo.sh pruninst     the uninstaller, after the installer
# With a display ($DISPLAY), the wizard opens in a Wine virtual desktop for
# you to use. Without one, the demo walks through the wizard by itself on a
# private X display and saves a screenshot of every page in build/demo/.
set -eu
cd "$(dirname "$0")"
./cmake/install-deps.sh
if [ "$(./cmake/test-arch.sh)" = i686 ]; then
    preset=test tree=build/win32
    build="the shipped i686 setup.exe ($tree/package) under 32-bit Wine"
else
    preset=test-x86_64 tree=build/x86_64
    why=$(./cmake/test-arch.sh --why)
    build="the x86_64 build of the same sources ($tree/package) under 64-bit Wine: $why"
fi
echo "Running $build."
cmake --preset $preset >/dev/null
cmake --build --preset $preset >/dev/null

export QVX_BUILD_DIR=$PWD/$tree QVX_TOOLS_DIR=$PWD/$tree/tools
export QVX_PACKAGE_DIR=$PWD/$tree/package
user_display=${DISPLAY:-}
. tests/e2e/winenv.sh
. tests/e2e/wizard.sh
wine_up
install_package
echo "Wine prefix: $WINEPREFIX"
echo "Package:     C:\\Penrel Driver ($PKG)"

if [ -n "$user_display" ]; then
    export DISPLAY=$user_display
    wine_run "$PKG/setup.exe"
    [ "${1:-}" = pruninst ] && wine_run "$PKG/pruninst.exe"
else
    out=$PWD/build/demo
    mkdir -p "$out"
    shot() { sleep 0.7; import -window root -crop 800x600+0+0 +repage "$out/$1.png"; }
    wine_start "$PKG/setup.exe"
    uidriver wait-window "#32770" "PR-4417 Installer" 20000 >/dev/null
    shot 0-banner
    uidriver msgbox "PR-4417 Installer" "" 1000 >/dev/null 2>&1 || true
    expect_page "Penrel Tablet Setup"; shot 1-welcome
    uidriver press next
    expect_page "Plug Tablet"; shot 2-plug-tablet
    uidriver press next
    expect_page "Tablet Configuration"; shot 3-tablet-configuration
    uidriver press next
    expect_page "Tablet not detected"; shot 4-tablet-not-detected
    uidriver click 1022; uidriver press next
    expect_page "Manually specify port"; uidriver click 1001; shot 5-manual
    uidriver press next
    expect_page "Complete Install"; shot 6-finish
    uidriver press finish
    wine_wait "$BG_PID" 60
    echo "Installed on COM$(ini_value wintab.ini 'Penrel Tablet Driver' Com)."
    echo "Screenshots: $out"
fi
echo "Driver files in the system directory:"
ls -l "$SYSDIR/tpadvx.386" "$SYSDIR/WTQVX.DRV" 2>/dev/null || echo "  (none)"
echo "Ran $build."
