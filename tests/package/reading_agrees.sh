#!/bin/bash
# The package check reads each script of a folder of cases as Windows does:
# its --reading output must be, line for line, what script_reading.exe prints
# from the Setup API, the profile functions and the programs' own word-list
# code reading the same file in a Wine prefix.
# usage: reading_agrees.sh script_reading.exe check_package.py CASES_FOLDER
set -u
. "$(dirname "$0")/../e2e/winenv.sh"
reader=$1
check=$2
cases=$3
[ -f "$check" ] || fail "no package check at $check"
[ -x "$reader" ] || fail "no test program at $reader"
ls "$cases"/*.ini >/dev/null 2>&1 || fail "no scripts in $cases"
wine_up

# Like the driver package a user keeps, the folder's name has a blank in it.
work="$QVX_TMP/Penrel Driver"
failed=0
count=0
for ini in "$cases"/*.ini; do
    name=$(basename "$ini")
    count=$((count + 1))
    folder="$work/${name%.ini}"
    mkdir -p "$folder"
    cp "$ini" "$folder/setup.ini"

    # A script with faults makes the check exit non-zero; its reading is
    # still printed, and only that is compared.
    python3 "$check" --reading "$folder" >"$folder/check.txt" 2>"$folder/check.err"
    if [ ! -s "$folder/check.txt" ]; then
        echo "FAIL: $name: the check printed no reading" >&2
        cat "$folder/check.err" >&2
        failed=$((failed + 1))
        continue
    fi

    sections=()
    while IFS= read -r line; do
        sections+=("${line#section }")
    done < <(grep '^section ' "$folder/check.txt")

    # The program writes its bytes as they are, with bare line feeds, so
    # nothing is stripped: a carriage return inside a field (a quote left
    # open at the end of a CR LF line keeps it) must be read alike too.
    winpath="Z:$(echo "$folder/setup.ini" | tr / '\\')"
    wine_run "$reader" "$winpath" "${sections[@]}" >"$folder/windows.txt" \
        2>"$folder/windows.err"
    status=$?
    if [ "$status" -ne 0 ] || [ ! -s "$folder/windows.txt" ]; then
        echo "FAIL: $name: script_reading.exe ended with status $status" >&2
        cat "$folder/windows.err" >&2
        failed=$((failed + 1))
        continue
    fi

    if diff -u --label "Windows reads $name" --label "the check reads $name" \
        "$folder/windows.txt" "$folder/check.txt" >"$folder/diff.txt"; then
        echo "agrees: $name"
    else
        echo "FAIL: $name: the check reads it differently from Windows" \
            "(control characters shown as ^X)" >&2
        cat -v "$folder/diff.txt" >&2
        failed=$((failed + 1))
    fi
done

[ "$failed" -eq 0 ] || fail "$failed of $count scripts read differently"
echo "all $count scripts read alike"
