#!/usr/bin/env python3
"""Makes a delay-import library for a system DLL from the toolchain's import
library, so that the DLL is loaded at its first call instead of before the
program's first instruction (startup/CMakeLists.txt says why):
    delay_import_lib.py NM DLLTOOL IMPORT_LIBRARY DLL_NAME OUTPUT
Every function the import library names goes into a .def file (32-bit names
keep their stdcall @N, which the library's symbols need, and are imported by
the plain name, as the DLL exports them), and dlltool builds the library."""
import os
import re
import subprocess
import sys


def main():
    if len(sys.argv) != 6:
        print(__doc__)
        return 2
    nm, dlltool, import_library, dll_name, output = sys.argv[1:]
    listing = subprocess.run([nm, import_library], check=True, capture_output=True, text=True).stdout
    wide = "x86_64" in os.path.basename(nm)
    names = set()
    for line in listing.splitlines():
        found = re.match(r"^[0-9a-f]+ I __imp_(\S+)$", line)
        if not found:
            continue
        name = found.group(1)
        if not wide:
            if not name.startswith("_"):
                continue  # not a C function of the 32-bit library
            name = name[1:]
        names.add(name)
    if not names:
        print("delay_import_lib: %s names no functions" % import_library)
        return 1
    definition = output + ".def"
    with open(definition, "w", encoding="ascii") as f:
        f.write("LIBRARY %s\nEXPORTS\n" % dll_name)
        for name in sorted(names):
            f.write("  %s\n" % name)
    command = [dlltool, "--input-def", definition, "--dllname", dll_name, "--output-delaylib", output]
    if not wide:
        command.append("--kill-at")
    subprocess.run(command, check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
