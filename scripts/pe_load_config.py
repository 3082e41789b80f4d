#!/usr/bin/env python3
"""The PE load configuration's dependent-load flag, the one place that knows
where it lies:
    pe_load_config.py set PROGRAM MAP    points the header's load-configuration
                                         directory at _load_config_used, found
                                         in the linker's map
    pe_load_config.py show PROGRAM       prints the directory and the flag
The linker here (GNU ld 2.40) fills in the directory only for __tls_used,
not for _load_config_used, so the build does it after linking. A 32-bit
directory entry says 64 bytes, as the linkers for Windows write it, since
Windows XP refuses other sizes there; the structure's own first field holds
its real size, which newer systems read."""
import re
import struct
import sys

LOAD_CONFIG_DIRECTORY = 10
LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x0800
# Offsets of DependentLoadFlags in IMAGE_LOAD_CONFIG_DIRECTORY32 and 64.
DEPENDENT_LOAD_FLAGS_OFFSET = {False: 0x36, True: 0x4E}
XP_DIRECTORY_SIZE_32 = 64
CHECKSUM_OFFSET = 64


class Image:
    def __init__(self, data):
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
        self.optional = pe + 24
        magic = struct.unpack_from("<H", data, self.optional)[0]
        if magic not in (0x10B, 0x20B):
            raise ValueError("unknown optional header 0x%x" % magic)
        self.wide = magic == 0x20B
        self.image_base = struct.unpack_from("<Q" if self.wide else "<I", data, self.optional + (24 if self.wide else 28))[0]
        self.directories = self.optional + (112 if self.wide else 96)
        self.directory_count = struct.unpack_from("<I", data, self.directories - 4)[0]
        self.sections = []
        table = self.optional + optional_size
        for i in range(sections):
            entry = table + 40 * i
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, entry + 8)
            self.sections.append((rva, max(virtual_size, raw_size), raw_offset, raw_size))
        self.data = data

    def directory(self, index):
        if index >= self.directory_count:
            return 0, 0
        return struct.unpack_from("<II", self.data, self.directories + 8 * index)

    def file_offset(self, rva, length):
        for start, size, raw_offset, raw_size in self.sections:
            if start <= rva and rva + length <= start + min(size, raw_size):
                return raw_offset + rva - start
        raise ValueError("RVA 0x%x is not in the file" % rva)

    def dependent_load_flags(self):
        """(structure size, flags), or None without a load configuration."""
        rva, size = self.directory(LOAD_CONFIG_DIRECTORY)
        if rva == 0 or size == 0:
            return None
        offset = self.file_offset(rva, 4)
        own_size = struct.unpack_from("<I", self.data, offset)[0]
        field = DEPENDENT_LOAD_FLAGS_OFFSET[self.wide]
        if own_size < field + 2:
            return own_size, 0
        return own_size, struct.unpack_from("<H", self.data, self.file_offset(rva + field, 2))[0]


def pe_checksum(data, checksum_at):
    """The PE header's checksum: the file's 16-bit words summed with the
    carries folded back, the checksum field itself left out, plus the length."""
    padded = bytes(data[:checksum_at]) + b"\0\0\0\0" + bytes(data[checksum_at + 4:])
    if len(padded) % 2:
        padded += b"\0"
    total = sum(struct.unpack("<%dH" % (len(padded) // 2), padded))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def set_directory(program, map_path):
    with open(program, "rb") as f:
        data = bytearray(f.read())
    image = Image(bytes(data))
    with open(map_path, encoding="utf-8", errors="replace") as f:
        found = re.search(r"^\s+0x([0-9a-fA-F]+)\s+_?_load_config_used\s*$", f.read(), re.M)
    if not found:
        print("pe_load_config: %s names no _load_config_used" % map_path)
        return 1
    rva = int(found.group(1), 16) - image.image_base
    own_size = struct.unpack_from("<I", data, image.file_offset(rva, 4))[0]
    size = own_size if image.wide else XP_DIRECTORY_SIZE_32
    if image.directory_count <= LOAD_CONFIG_DIRECTORY:
        print("pe_load_config: %s has no room for a load-configuration directory" % program)
        return 1
    struct.pack_into("<II", data, image.directories + 8 * LOAD_CONFIG_DIRECTORY, rva, size)
    # The linker wrote the header's checksum; it covers the change.
    struct.pack_into("<I", data, image.optional + CHECKSUM_OFFSET, pe_checksum(data, image.optional + CHECKSUM_OFFSET))
    with open(program, "wb") as f:
        f.write(data)
    return 0


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "set":
        return set_directory(sys.argv[2], sys.argv[3])
    if len(sys.argv) == 3 and sys.argv[1] == "show":
        with open(sys.argv[2], "rb") as f:
            image = Image(f.read())
        print("load configuration: %s" % (image.dependent_load_flags(),))
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())
