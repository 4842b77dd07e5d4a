#!/usr/bin/env python3
"""Reads a PNG file as an image viewer would, and writes its pixels to
standard output as a binary PPM (P6). Refuses, with the reason on standard
error and status 1, a file with a bad signature, a chunk whose CRC does not
match, critical chunks out of order, or image data of the wrong size.
It shares no code with the program it checks: only Python's zlib."""
import struct
import sys
import zlib


def fail(reason):
    sys.stderr.write("png_reader: " + reason + "\n")
    sys.exit(1)


def main(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("not a PNG signature")
    at, chunks = 8, []
    while at < len(data):
        if at + 12 > len(data):
            fail("a chunk cut short")
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if len(body) != length or at + 12 + length > len(data):
            fail("a chunk cut short")
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if zlib.crc32(kind + body) != crc:
            fail("CRC mismatch in chunk %r" % kind)
        chunks.append((kind, body))
        at += 12 + length
    kinds = [k for k, _ in chunks]
    if not kinds or kinds[0] != b"IHDR" or kinds[-1] != b"IEND" or b"IDAT" not in kinds:
        fail("critical chunks missing or out of order: %r" % kinds)
    width, height, depth, colour, method, filtering, interlace = struct.unpack(
        ">IIBBBBB", chunks[0][1])
    if (depth, colour, method, filtering, interlace) != (8, 2, 0, 0, 0) or not width or not height:
        fail("not the 8-bit RGB kind: %r" % ((depth, colour, method, filtering, interlace),))
    raw = zlib.decompress(b"".join(b for k, b in chunks if k == b"IDAT"))
    stride = 1 + width * 3
    if len(raw) != height * stride:
        fail("image data of %d bytes for %dx%d" % (len(raw), width, height))
    # Rows filtered otherwise would need undoing; this program writes none.
    if any(raw[y * stride] != 0 for y in range(height)):
        fail("a row with a filter other than none")
    sys.stdout.buffer.write(b"P6 %d %d 255\n" % (width, height))
    sys.stdout.buffer.write(b"".join(raw[y * stride + 1:(y + 1) * stride] for y in range(height)))


if __name__ == "__main__":
    main(sys.argv[1])
