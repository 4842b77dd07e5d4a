#!/usr/bin/env python3
"""Decodes a PNG file as a viewer would, sharing no code with the program
that wrote it (only Python's zlib), and writes its pixels to standard output
as a binary PPM (P6). A bad signature, a chunk cut short or with a wrong CRC,
chunks out of order, or image data of the wrong size or kind: the reason on
standard error and status 1."""
import struct
import sys
import zlib

data = open(sys.argv[1], "rb").read()
if data[:8] != b"\x89PNG\r\n\x1a\n":
    sys.exit("png_reader: not a PNG signature")
at, chunks = 8, []
while at < len(data):
    length, kind = struct.unpack(">I4s", data[at:at + 8])
    body, crc = data[at + 8:at + 8 + length], data[at + 8 + length:at + 12 + length]
    if len(body) != length or len(crc) != 4 or zlib.crc32(kind + body) != struct.unpack(">I", crc)[0]:
        sys.exit("png_reader: chunk %r cut short or its CRC wrong" % kind)
    chunks.append((kind, body))
    at += 12 + length
kinds = [k for k, _ in chunks]
if kinds[:1] != [b"IHDR"] or kinds[-1:] != [b"IEND"] or b"IDAT" not in kinds:
    sys.exit("png_reader: chunks missing or out of order: %r" % kinds)
width, height, *form = struct.unpack(">IIBBBBB", chunks[0][1])
if form != [8, 2, 0, 0, 0]:
    sys.exit("png_reader: not 8-bit RGB without interlace: %r" % form)
raw = zlib.decompress(b"".join(b for k, b in chunks if k == b"IDAT"))
stride = 1 + width * 3
# The program filters no row; a filtered one would need undoing here.
if len(raw) != height * stride or any(raw[y * stride] for y in range(height)):
    sys.exit("png_reader: image data of the wrong size, or filtered rows")
sys.stdout.buffer.write(b"P6 %d %d 255\n" % (width, height))
sys.stdout.buffer.write(b"".join(raw[y * stride + 1:(y + 1) * stride] for y in range(height)))
