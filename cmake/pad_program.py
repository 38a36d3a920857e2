#!/usr/bin/env python3
"""pad_program.py PROGRAM: pads a stripped PE program with zeros to a
multiple of 8 bytes and sets its optional header's CheckSum for the new
length.

A signer pads a program so before it appends the signature, and the padding
stays when the signature is removed: a program padded already comes back
from that byte for byte (docs/packaging.md)."""
import struct
import sys


def pe_checksum(data, field):
    """The image checksum as the Windows loader and signers compute it:
    16-bit words summed with their carries folded in, the CheckSum field
    read as zero, plus the file's length."""
    image = bytearray(data)
    image[field:field + 4] = bytes(4)
    image += b"\0" * (len(image) % 2)
    total = 0
    for (word,) in struct.iter_unpack("<H", image):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def main(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    if data[:2] != b"MZ":
        sys.exit("pad_program.py: %s is not a PE program" % path)
    data += b"\0" * (-len(data) % 8)
    # The optional header follows the PE signature (4) and the file header
    # (20); CheckSum is at 64 in it, for PE32 and PE32+ alike.
    field = struct.unpack_from("<I", data, 0x3C)[0] + 24 + 64
    if struct.unpack_from("<I", data, field)[0] != 0:
        struct.pack_into("<I", data, field, pe_checksum(bytes(data), field))
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
