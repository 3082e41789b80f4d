#!/usr/bin/env python3
"""Prints and checks the exploit mitigations of a Windows program:
    pe_hardening.py [--system-folder-dlls] PROGRAM
ASLR (DYNAMIC_BASE) with the relocations it needs, DEP (NX_COMPAT),
HIGH_ENTROPY_VA for a 64-bit program, no section that is both writable
and executable, and with --system-folder-dlls the load configuration's
dependent-load flag LOAD_LIBRARY_SEARCH_SYSTEM32 (scripts/pe_load_config.py).
Exits 1 when one is missing. Reads the PE headers itself, so
that what is checked does not depend on how a tool words it."""
import struct
import sys

import pe_load_config

DYNAMIC_BASE, NX_COMPAT, HIGH_ENTROPY_VA = 0x0040, 0x0100, 0x0020
RELOCS_STRIPPED = 0x0001
MEM_EXECUTE, MEM_WRITE = 0x20000000, 0x80000000
BASE_RELOCATION_DIRECTORY = 5


def read_headers(data):
    if data[:2] != b"MZ":
        raise ValueError("no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    _, sections, _, _, _, optional_size, characteristics = struct.unpack_from("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic not in (0x10B, 0x20B):
        raise ValueError("unknown optional header 0x%x" % magic)
    wide = magic == 0x20B
    dll_characteristics = struct.unpack_from("<H", data, optional + 70)[0]
    directories = optional + (112 if wide else 96)
    directory_count = struct.unpack_from("<I", data, directories - 4)[0]
    relocation_size = 0
    if directory_count > BASE_RELOCATION_DIRECTORY:
        relocation_size = struct.unpack_from("<II", data, directories + 8 * BASE_RELOCATION_DIRECTORY)[1]
    table = optional + optional_size
    section_list = []
    for i in range(sections):
        entry = table + 40 * i
        name = data[entry:entry + 8].rstrip(b"\0").decode("ascii", "replace")
        flags = struct.unpack_from("<I", data, entry + 36)[0]
        section_list.append((name, flags))
    return wide, characteristics, dll_characteristics, relocation_size, section_list


def main():
    arguments = sys.argv[1:]
    system_folder_dlls = arguments[:1] == ["--system-folder-dlls"]
    if system_folder_dlls:
        arguments = arguments[1:]
    if len(arguments) != 1:
        print(__doc__)
        return 2
    program = arguments[0]
    with open(program, "rb") as f:
        data = f.read()
    try:
        wide, characteristics, dll, relocation_size, sections = read_headers(data)
    except (ValueError, struct.error) as error:
        print("hardening: %s: %s" % (program, error))
        return 1

    found, missing = [], []
    reloc_section = any(name == ".reloc" for name, _ in sections)
    if dll & DYNAMIC_BASE and relocation_size > 0 and reloc_section and not characteristics & RELOCS_STRIPPED:
        found.append("DYNAMIC_BASE (.reloc %d bytes)" % relocation_size)
    elif dll & DYNAMIC_BASE:
        missing.append("relocations for DYNAMIC_BASE")
    else:
        missing.append("DYNAMIC_BASE")
    (found if dll & NX_COMPAT else missing).append("NX_COMPAT")
    if wide:
        (found if dll & HIGH_ENTROPY_VA else missing).append("HIGH_ENTROPY_VA")
    writable_code = [name for name, flags in sections if flags & MEM_EXECUTE and flags & MEM_WRITE]
    if writable_code:
        missing.append("no writable and executable section (%s is both)" % ", ".join(writable_code))
    else:
        found.append("no writable and executable section")

    if system_folder_dlls:
        try:
            load_config = pe_load_config.Image(data).dependent_load_flags()
        except (ValueError, struct.error) as error:
            load_config = None
            missing.append("a readable load configuration (%s)" % error)
        if load_config and load_config[1] & pe_load_config.LOAD_LIBRARY_SEARCH_SYSTEM32:
            found.append("dependent DLLs from the system folder only (load configuration of %d bytes, "
                         "DependentLoadFlags 0x%x)" % load_config)
        elif load_config:
            missing.append("the dependent-load flag (DependentLoadFlags 0x%x)" % load_config[1])
        else:
            missing.append("a load configuration with the dependent-load flag")

    print("hardening: %s" % ", ".join(found))
    if missing:
        print("hardening: %s lacks %s" % (program, "; ".join(missing)))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
