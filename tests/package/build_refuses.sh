#!/bin/bash
# The release build makes no zip and no floppy image of a package whose
# script names a file the package lacks, and says where; the same build of
# the intact package makes both.
#   build_refuses.sh CMAKE SOURCE_DIR
set -u
cmake=$1 source=$2
tmp=$(mktemp -d "${TMPDIR:-/tmp}/qvx-refuses.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# build NAME PACKAGE: a release tree of the project with PACKAGE as the
# driver package; the build's output is in $tmp/NAME.log.
build() {
    "$cmake" -S "$source" -B "$tmp/$1" -G "Unix Makefiles" \
        -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DQVX_TESTS=OFF -DQVX_PACKAGE_SOURCE="$2" \
        >"$tmp/$1.log" 2>&1 || fail "$1: configure failed: $(tail -5 "$tmp/$1.log")"
    "$cmake" --build "$tmp/$1" -j2 --target package_images >>"$tmp/$1.log" 2>&1
}

cp -r "$source/package" "$tmp/intact"
build good "$tmp/intact" || fail "the intact package did not build: $(tail -20 "$tmp/good.log")"
for made in zip img; do
    [ -s "$tmp/good/penrel-pr4417-driver.$made" ] || fail "the intact package made no $made"
done
echo "intact package: zip and image made"

cp -r "$source/package" "$tmp/broken"
rm "$tmp/broken/WTQVX.DRV"
line=$(grep -n -A1 '^\[DriverFiles\]' "$tmp/broken/setup.ini" | sed -n 's/^\([0-9]*\)-WTQVX.DRV$/\1/p')
[ -n "$line" ] || fail "the sample's [DriverFiles] no longer lists WTQVX.DRV"
if build bad "$tmp/broken"; then
    fail "the build succeeded without WTQVX.DRV"
fi
expected="$tmp/broken/setup.ini:$line: error: WTQVX.DRV is not in the package folder"
grep -qF "$expected" "$tmp/bad.log" ||
    fail "the build did not say '$expected':$(echo; tail -20 "$tmp/bad.log")"
for made in zip img; do
    ! ls "$tmp/bad/penrel-pr4417-driver.$made"* >/dev/null 2>&1 || fail "a $made was made of the broken package"
done
echo "package without WTQVX.DRV: the build stops with"
grep -F ": error: " "$tmp/bad.log"
