#!/usr/bin/env python3
"""Fails when a program imports a function that the table of allowed imports
does not list, or that the oldest Windows we support lacks.

Windows refuses to start a program whose imports it cannot resolve, and Wine
provides every function whatever version it poses as, so this is checked on
the files themselves.

Usage: check_imports.py --table TABLE --floor 2000 [--objdump OBJDUMP] PROGRAM...
"""
import argparse
import re
import struct
import subprocess
import sys

# Oldest first; a table row names one of these.
VERSIONS = ["2000", "XP", "XP SP2", "XP SP3", "Server 2003", "Vista", "7", "8", "8.1", "10"]


def read_table(path):
    table = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#") or line.startswith("dll\t"):
                continue
            fields = line.split("\t")
            if len(fields) < 4 or fields[2] not in VERSIONS or not fields[3].strip():
                sys.exit(f"{path}:{number}: want dll, function, one of {VERSIONS}, and a source: {line!r}")
            table[(fields[0].upper(), fields[1])] = (fields[2], fields[3].startswith("["))
    return table


def imports_of(objdump, program):
    text = subprocess.run([objdump, "-p", program], check=True, capture_output=True, text=True).stdout
    found, dll = [], None
    for line in text.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1).upper()
            continue
        # "	f6c3e	   21  AddVectoredExceptionHandler": hint/name rows of the current DLL.
        m = re.match(r"\t[0-9a-f]+\t +\d+ +(\S+)$", line)
        if dll and m:
            found.append((dll, m.group(1)))
        elif dll and re.match(r"\t[0-9a-f]+\t +<none> +", line):
            found.append((dll, "ordinal " + line.split()[-1]))
    return found


def delay_imports_of(program):
    """The functions a program loads at their first call. GNU ld leaves the
    delay-load data directory empty, so the descriptors are found by their
    shape: attributes 1 (addresses are RVAs), then RVAs of a DLL name, its
    module handle, address table and name table, each inside the image."""
    with open(program, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    sections = []
    for i in range(count):
        _, _, address, raw_size, raw_at = struct.unpack_from("<8sIIII", data, pe + 24 + optional_size + i * 40)
        sections.append((address, raw_size, raw_at))

    def at(rva):
        for address, raw_size, raw_at in sections:
            if address <= rva < address + raw_size:
                return raw_at + rva - address
        return None

    def text(rva):
        start = at(rva)
        if start is None or b"\0" not in data[start:start + 256]:
            return None
        return data[start:data.index(b"\0", start)]

    found = []
    for _, raw_size, raw_at in sections:
        for o in range(raw_at, raw_at + raw_size - 32, 4):
            attributes, name, module, addresses, names = struct.unpack_from("<5I", data, o)
            if attributes != 1 or not all(at(r) is not None for r in (name, module, addresses, names)):
                continue
            dll = text(name)
            if not dll or not re.fullmatch(rb"[A-Za-z0-9_.-]+\.dll", dll, re.IGNORECASE):
                continue
            entries, n = [], at(names)
            while True:
                entry = struct.unpack_from("<I", data, n)[0]
                if entry == 0:
                    break
                if entry & 0x80000000:
                    entries.append("ordinal " + str(entry & 0xFFFF))
                else:
                    function = text(entry + 2)  # after the two bytes of the hint
                    if function is None:
                        entries = None
                        break
                    entries.append(function.decode("ascii", "replace"))
                n += 4
            if entries:
                found += [(dll.decode().upper(), e) for e in entries]
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--table", required=True)
    parser.add_argument("--floor", required=True, choices=VERSIONS)
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()
    table = read_table(args.table)
    floor = VERSIONS.index(args.floor)
    faults = 0
    unstated = set()
    for program in args.programs:
        delayed = delay_imports_of(program)
        imports = imports_of(args.objdump, program) + delayed
        if not imports:
            print(f"{program}: no import table read")
            faults += 1
        for dll, function in imports:
            row = table.get((dll, function))
            oldest = row[0] if row else None
            if oldest is None:
                print(f"{program}: {dll} {function} is not in the table of allowed imports")
                faults += 1
                continue
            if row[1]:
                unstated.add(f"{dll} {function}")
            if VERSIONS.index(oldest) > floor:
                print(f"{program}: {dll} {function} needs Windows {oldest}, newer than Windows {args.floor}")
                faults += 1
        print(f"{program}: {len(imports)} imports checked, {len(delayed)} of them loaded at their first call")
    if unstated:
        print(f"{len(unstated)} import(s) rest on no Microsoft statement of a version: " + ", ".join(sorted(unstated)))
    print(f"{faults} import(s) refused")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
