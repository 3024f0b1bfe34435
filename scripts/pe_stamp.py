#!/usr/bin/env python3
"""Gives a Windows program a fixed time: pe_stamp.py EXE EPOCH.

The linker and strip may write the time of the build into a program's header and its resource directories; a
release writes the release's time there instead, then the header checksum anew, so that two builds of the same
source give the same bytes. The checksum is the one Windows computes (16-bit sums with carry, plus the length).
"""
import struct
import sys


def resource_directories(data, rsrc_offset, rsrc_size):
    """File offsets of every resource directory table, walked from the root."""
    seen, pending = [], [0]
    while pending:
        relative = pending.pop()
        if relative in seen or relative + 16 > rsrc_size:
            continue
        seen.append(relative)
        at = rsrc_offset + relative
        named, numbered = struct.unpack_from("<HH", data, at + 12)
        for i in range(named + numbered):
            _, target = struct.unpack_from("<II", data, at + 16 + 8 * i)
            if target & 0x80000000:  # a subdirectory
                pending.append(target & 0x7FFFFFFF)
    return [rsrc_offset + relative for relative in seen]


def checksum(data, checksum_offset):
    total = 0
    for at in range(0, len(data) - len(data) % 2, 2):
        if at in (checksum_offset, checksum_offset + 2):
            continue
        total += data[at] | (data[at + 1] << 8)
        total = (total & 0xFFFF) + (total >> 16)
    if len(data) % 2:
        total += data[-1]
        total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def main():
    path, epoch = sys.argv[1], int(sys.argv[2])
    with open(path, "rb") as f:
        data = bytearray(f.read())
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"pe_stamp: {path}: not a Windows program")
    coff = pe + 4
    sections, optional_size = struct.unpack_from("<H", data, coff + 2)[0], struct.unpack_from("<H", data, coff + 16)[0]
    struct.pack_into("<I", data, coff + 4, epoch)
    optional = coff + 20
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size
    for i in range(sections):
        header = table + 40 * i
        virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from("<IIII", data, header + 8)
        if rsrc_rva and virtual_address <= rsrc_rva < virtual_address + max(virtual_size, raw_size):
            start = raw_offset + (rsrc_rva - virtual_address)
            for at in resource_directories(data, start, raw_size - (rsrc_rva - virtual_address)):
                struct.pack_into("<I", data, at + 4, epoch)
    checksum_offset = optional + 64
    struct.pack_into("<I", data, checksum_offset, checksum(data, checksum_offset))
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
