#!/usr/bin/env python3
"""Checks that every instruction of the shipped i686 programs exists on an
80386: disassembles each executable section of each file and fails, naming
the file, the instruction and its count, on any instruction not in the
allowlist. Reads the files only, so it runs on any machine.

usage: check_instructions.py ALLOWLIST PROGRAM.exe...
"""
import collections
import struct
import subprocess
import sys

OBJDUMP = "i686-w64-mingw32-objdump"
SCN_CNT_CODE = 0x00000020
SCN_MEM_EXECUTE = 0x20000000
# The empty constructor and destructor lists that mingw's linker script
# places after the code in .text: data, not instructions.
EMPTY_CTOR_DTOR_LISTS = b"\xff\xff\xff\xff\x00\x00\x00\x00" * 2


def read_allowlist(path):
    allowed = set()
    with open(path) as f:
        for line in f:
            allowed.update(line.split("#", 1)[0].split())
    return allowed


def code_sections(path):
    """(name, start address, length) of each executable section."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        raise ValueError("not a Windows program")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    machine, count, _, _, _, optsize, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    if machine != 0x14C:
        raise ValueError("not an i386 program (machine 0x%x)" % machine)
    opt = pe + 24
    image_base = struct.unpack_from("<I", data, opt + 28)[0]
    sections = []
    for i in range(count):
        hdr = opt + optsize + 40 * i
        name = data[hdr:hdr + 8].rstrip(b"\0").decode("ascii", "replace")
        vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, hdr + 8)
        flags = struct.unpack_from("<I", data, hdr + 36)[0]
        if not flags & (SCN_CNT_CODE | SCN_MEM_EXECUTE):
            continue
        length = min(vsize or rawsize, rawsize)
        body = data[rawptr:rawptr + length]
        if body.endswith(EMPTY_CTOR_DTOR_LISTS):
            length -= len(EMPTY_CTOR_DTOR_LISTS)
        sections.append((name, image_base + va, length))
    return sections


def mnemonics(path, name, start, length):
    """The words of each disassembled instruction (prefixes and mnemonic)."""
    out = subprocess.run(
        [OBJDUMP, "-d", "--no-show-raw-insn", "-j", name,
         "--start-address=0x%x" % start, "--stop-address=0x%x" % (start + length), path],
        check=True, capture_output=True, text=True).stdout
    for line in out.splitlines():
        parts = line.split("\t")
        if len(parts) < 2 or not parts[0].strip().endswith(":"):
            continue
        text = parts[1].strip()
        if not text or text.startswith("..."):
            continue
        words = []
        for word in text.split():
            # Operands begin with a register, an immediate, a memory
            # reference, an address or a segment override.
            if word[0] in "%$*(-0123456789" or ":" in word:
                break
            words.append(word)
        if text.startswith("(bad)"):
            words = ["(bad)"]
        yield words


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__.split("\n\n")[1] + "\n")
        return 2
    allowed = read_allowlist(argv[1])
    failed = False
    for path in argv[2:]:
        base = path.rsplit("/", 1)[-1]
        try:
            sections = code_sections(path)
        except (OSError, ValueError) as e:
            print("FAIL %s: %s" % (base, e))
            failed = True
            continue
        total = 0
        bad = collections.Counter()
        for name, start, length in sections:
            for words in mnemonics(path, name, start, length):
                total += 1
                for word in words:
                    if word not in allowed:
                        bad[word] += 1
        if not sections or total == 0:
            print("FAIL %s: no code found" % base)
            failed = True
        elif bad:
            print("FAIL %s: %s outside the 80386's instruction set" % (
                base, ", ".join("%s x%d" % kv for kv in sorted(bad.items()))))
            failed = True
        else:
            print("ok   %s: %d instructions in %s, all on the 80386" % (
                base, total, ", ".join(s[0] for s in sections)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
