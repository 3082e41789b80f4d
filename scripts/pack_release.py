#!/usr/bin/env python3
"""Packs a staging tree into a zip archive whose bytes depend on the files
alone: entries in sorted order, every entry dated SOURCE_DATE_EPOCH (the
commit's time), regular files 0644 and programs 0755, no directory entries,
no extra fields, one compression level. A program whose length is not a
multiple of 8 gets zeros up to one, and its header's checksum for them:
Authenticode pads a program so before appending the signature, and so a
signed program without its signature is the unsigned one of the archive.
    pack_release.py STAGING ARCHIVE"""
import os
import struct
import sys
import time
import zipfile

import pe_load_config

SIGNATURE_ALIGNMENT = 8


def aligned_program(data):
    if len(data) % SIGNATURE_ALIGNMENT == 0:
        return data
    padded = bytearray(data + b"\0" * (SIGNATURE_ALIGNMENT - len(data) % SIGNATURE_ALIGNMENT))
    checksum_at = pe_load_config.Image(data).optional + pe_load_config.CHECKSUM_OFFSET
    struct.pack_into("<I", padded, checksum_at, pe_load_config.pe_checksum(padded, checksum_at))
    return bytes(padded)


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    staging, archive = sys.argv[1], sys.argv[2]
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if not epoch or not epoch.isdigit():
        print("pack_release.py: SOURCE_DATE_EPOCH must hold the commit's time (seconds)")
        return 2
    # Zip dates are local-time fields without a zone, from 1980 on: the UTC
    # calendar date of the epoch, so that the machine's zone does not count.
    stamp = max(time.gmtime(int(epoch))[:6], (1980, 1, 1, 0, 0, 0))

    names = []
    for folder, subfolders, files in os.walk(staging):
        subfolders.sort()
        for name in files:
            path = os.path.join(folder, name)
            names.append(os.path.relpath(path, staging).replace(os.sep, "/"))
    names.sort()

    with zipfile.ZipFile(archive, "w") as zipped:
        for name in names:
            with open(os.path.join(staging, name), "rb") as f:
                data = f.read()
            if name.endswith(".exe"):
                data = aligned_program(data)
            entry = zipfile.ZipInfo(name, date_time=stamp)
            entry.create_system = 3  # Unix, so that the permissions below are read
            mode = 0o755 if name.endswith(".exe") else 0o644
            entry.external_attr = (0o100000 | mode) << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            zipped.writestr(entry, data, compresslevel=9)
    return 0


if __name__ == "__main__":
    sys.exit(main())
