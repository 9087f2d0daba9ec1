#!/bin/bash
# Checks that the i686 deliverables load on Windows 95: PE subsystem version
# 4.0 and no import outside the allowlist (no C runtime, no libgcc or
# libstdc++ DLLs, no function newer than Windows 95).
# usage: check_imports.sh ALLOWLIST PROGRAM.exe...
set -u
allow=$1; shift
objdump=i686-w64-mingw32-objdump
bad=0
for exe in "$@"; do
    [ -f "$exe" ] || { echo "FAIL missing $exe"; bad=1; continue; }
    head=$($objdump -p "$exe")
    echo "$head" | grep -q '^Magic.*010b' || { echo "FAIL $exe is not a 32-bit PE"; bad=1; }
    maj=$(echo "$head" | awk '/^MajorSubsystemVersion/ {print $2}')
    min=$(echo "$head" | awk '/^MinorSubsystemVersion/ {print $2}')
    [ "$maj.$min" = "4.0" ] || { echo "FAIL $exe subsystem version $maj.$min"; bad=1; }
    imports=$(echo "$head" | awk '
        /DLL Name:/ { dll = tolower($3); next }
        dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll, $3 }
        /^$/ { dll = "" }')
    [ -n "$imports" ] || { echo "FAIL $exe: no imports found"; bad=1; }
    while read -r dll fn; do
        [ -z "$dll" ] && continue
        if ! awk -v d="$dll" -v f="$fn" '!/^#/ && tolower($1) == d && $2 == f { found = 1 } END { exit !found }' "$allow"; then
            echo "FAIL $(basename "$exe") imports $dll $fn"
            bad=1
        fi
    done <<<"$imports"
    echo "$(basename "$exe"): $(echo "$imports" | wc -l) imports, $(stat -c %s "$exe") bytes"
done
exit $bad
