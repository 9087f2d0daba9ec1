#!/bin/sh
# Exits 0 where this kernel runs 32-bit (i386) Linux programs, 1 where it
# refuses them ("Exec format error": IA32 emulation off), 2 where it cannot
# tell (no temporary folder lets programs run). Needs no package: it writes
# a 96-byte static i386 program that does nothing but exit with status 42,
# and runs it. install-deps.sh asks before it installs anything i386;
# test-arch.sh asks to give the true reason for its choice.
elf() {
    # ELF header: 32-bit, little-endian, an executable for the Intel 80386,
    # entry 0x08048054, one program header at offset 52.
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000'
    printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000'
    # One loadable segment, read and execute: the whole file at 0x08048000.
    printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010'
    printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000'
    # mov eax, 1 (exit); mov ebx, 42; int 0x80
    printf '\270\001\000\000\000\273\052\000\000\000\315\200'
}
for dir in "${TMPDIR:-/tmp}" /dev/shm /var/tmp; do
    d=$(mktemp -d "$dir/i386-probe.XXXXXX" 2>/dev/null) || continue
    elf >"$d/probe" && cp /bin/true "$d/native" && chmod 700 "$d/probe" "$d/native"
    "$d/probe" 2>/dev/null
    probe=$?
    "$d/native" 2>/dev/null
    native=$?
    rm -rf "$d"
    [ $probe = 42 ] && exit 0
    # A folder mounted noexec runs no program at all: it tells nothing.
    [ $native = 0 ] && exit 1
done
echo "kernel-runs-i386.sh: no temporary folder lets programs run; cannot tell whether this kernel runs 32-bit programs" >&2
exit 2
