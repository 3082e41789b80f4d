#!/usr/bin/env python3
"""Lists the code of others that the linker put into a program, from its map:
the toolchain's start-up objects and the members taken from its static
libraries (import stubs, which only name a DLL's function, left out):
    linked_pieces.py MAP...                     one line per library or object
    linked_pieces.py --check NOTICES MAP...     fails when NOTICES (THIRD-PARTY.md)
                                                does not name each of them
The maps are those the builds write (paperchk.map, standin.map,
paperchk_selftest.map)."""
import os
import re
import sys

# Members that only name a DLL's function: dlltool's stubs (s123.o, h.o, t.o)
# and msvcrt's definition stubs.
IMPORT_STUB = re.compile(r"^lib\w+?(s\d+|h|t)\.o$|_def[sht]\d*\.o$")
# The toolchain's libraries, and libraries the build makes from others'
# sources (GoogleTest, from Debian's googletest, in the self-test kit).
ARCHIVE_MEMBER = re.compile(r"^(/usr/\S+?\.a|\S*/libgtest\.a)\(([^)]+)\)")
LOADED_OBJECT = re.compile(r"^LOAD (/usr/\S+\.o)$")


def pieces(map_path):
    """{library or object file name: sorted member names}"""
    found = {}
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            member = ARCHIVE_MEMBER.match(line)
            if member:
                library, name = os.path.basename(member.group(1)), member.group(2)
                if not IMPORT_STUB.search(name):
                    found.setdefault(library, set()).add(name)
                continue
            loaded = LOADED_OBJECT.match(line.strip())
            if loaded:
                found.setdefault(os.path.basename(loaded.group(1)), set())
    return {name: sorted(members) for name, members in found.items()}


def main():
    arguments = sys.argv[1:]
    notices = None
    if arguments[:1] == ["--check"]:
        if len(arguments) < 3:
            print(__doc__)
            return 2
        with open(arguments[1], encoding="utf-8") as f:
            notices = f.read()
        arguments = arguments[2:]
    if not arguments:
        print(__doc__)
        return 2
    status = 0
    for map_path in arguments:
        program = os.path.splitext(os.path.basename(map_path))[0]
        for name, members in sorted(pieces(map_path).items()):
            shown = ", ".join(re.sub(r"^lib(32|64)_lib\w+?_a-", "", m) for m in members)
            print("%s: %s%s" % (program, name, " (%s)" % shown if shown else ""))
            if notices is not None and "`%s`" % name not in notices:
                print("linked_pieces: %s links %s, which THIRD-PARTY.md does not name" % (program, name))
                status = 1
    return status


if __name__ == "__main__":
    sys.exit(main())
