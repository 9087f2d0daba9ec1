#!/bin/bash
# The package as users get it, from the i686 build tree: the 1.44 MB floppy
# image (FAT12, label PR4417) and the zip each hold exactly the shipped files,
# byte for byte the same as the package folder. Reports the free space left
# on the disk.
# usage: package_image_check.sh WIN32_BUILD_DIR
set -u
dir=$1
name=penrel-pr4417-driver
img="$dir/$name.img"
zip="$dir/$name.zip"
list="$dir/$name.files"
pkg="$dir/package"
fail() { echo "FAIL: $*" >&2; exit 1; }
ok() { echo "ok   $*"; }

for f in "$img" "$zip" "$list"; do
    [ -f "$f" ] || fail "missing $f (build the win32 preset)"
done
mapfile -t shipped < <(grep -v '^$' "$list")
[ "${#shipped[@]}" -ge 6 ] || fail "shipped list too short: ${shipped[*]}"
for want in setup.exe pruninst.exe ptrsniff.exe setup.ini; do
    printf '%s\n' "${shipped[@]}" | grep -qix "$want" || fail "$want not in the shipped list"
done
for f in "${shipped[@]}"; do
    [ -f "$pkg/$f" ] || fail "$f missing from the package folder"
done
ok "shipped: ${shipped[*]}"

# The image: a whole 3.5" high-density disk with a FAT12 file system.
[ "$(stat -c %s "$img")" = 1474560 ] || fail "image is $(stat -c %s "$img") bytes, not 1474560"
[ "$(dd if="$img" bs=1 skip=54 count=8 2>/dev/null)" = "FAT12   " ] || fail "not a FAT12 boot sector"
label=$(mlabel -i "$img" -s :: | sed 's/^ *Volume label is //; s/ *$//')
[ "$label" = PR4417 ] || fail "volume label '$label'"
ok "1.44 MB FAT12 image, label $label"

# Its root directory lists exactly the shipped files (DOS names compare
# without regard to case).
on_disk=$(mdir -i "$img" -b :: | sed 's|^::/||' | tr '[:upper:]' '[:lower:]' | sort)
wanted=$(printf '%s\n' "${shipped[@]}" | tr '[:upper:]' '[:lower:]' | sort)
[ "$on_disk" = "$wanted" ] || fail "disk holds: $(echo $on_disk), want: $(echo $wanted)"
ok "disk lists the shipped files"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for f in "${shipped[@]}"; do
    mcopy -n -i "$img" "::/$f" "$out/$f" || fail "cannot copy $f off the disk"
    cmp -s "$out/$f" "$pkg/$f" || fail "$f on the disk differs from the package folder"
done
ok "every file copied back off the disk equals the package folder's"

total=0
for f in "${shipped[@]}"; do total=$((total + $(stat -c %s "$pkg/$f"))); done
free=$(mdir -i "$img" :: | awk '/bytes free/ { gsub(/[^0-9]/, ""); print }')
[ -n "$free" ] || fail "no free space reported"
echo "     package $total bytes; free on the disk $free of 1457664 bytes"
# The installer stays small enough to start quickly from a floppy.
setup_size=$(stat -c %s "$pkg/setup.exe")
[ "$setup_size" -le 98304 ] || fail "setup.exe is $setup_size bytes, more than 96 KB"
ok "setup.exe $setup_size bytes, within 96 KB"

# The zip: the same names, the same bytes, no folders.
/usr/bin/python3 - "$zip" "$pkg" "${shipped[@]}" <<'EOF' || fail "zip check"
import sys, zipfile, os
path, pkg, names = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(path) as z:
    if z.testzip() is not None:
        sys.exit("corrupt member in the zip")
    inside = sorted(z.namelist())
    if inside != sorted(names):
        sys.exit("zip holds %s, want %s" % (inside, sorted(names)))
    for n in names:
        with open(os.path.join(pkg, n), "rb") as f:
            if z.read(n) != f.read():
                sys.exit("%s in the zip differs from the package folder" % n)
print("ok   zip holds the shipped files, %d bytes" % os.path.getsize(path))
EOF
echo "PASS package images"
