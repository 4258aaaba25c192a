#!/usr/bin/env python3
"""Reads a PNG with Python's own zlib (not the program's code) and checks it.

usage: png_colours.py FILE WIDTH HEIGHT [--greys N] RRGGBB...

Fails unless the picture is 8-bit RGB of the given size and holds at least
one pixel of every colour named; --greys N also asks for N pixels of greys
other than black, white and the view's line greys (80, C0): the shades of
a filled model.
"""
import struct
import sys
import zlib


def read_png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit("not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            sys.exit("bad CRC in " + kind.decode())
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour = header[:4]
    if depth != 8 or colour != 2:
        sys.exit("not 8-bit RGB")
    raw = zlib.decompress(idat)
    stride = width * 3
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b, c = prev[i], prev[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, rows


def main():
    args = sys.argv[1:]
    path, width, height = args[0], int(args[1]), int(args[2])
    args = args[3:]
    greys = 0
    if args[:1] == ["--greys"]:
        greys, args = int(args[1]), args[2:]
    w, h, rows = read_png(path)
    if (w, h) != (width, height):
        sys.exit("size %dx%d, not %dx%d" % (w, h, width, height))
    counts = {}
    for row in rows:
        for x in range(0, len(row), 3):
            key = row[x:x + 3].hex()
            counts[key] = counts.get(key, 0) + 1
    missing = [c for c in args if counts.get(c.lower(), 0) == 0]
    if missing:
        sys.exit("no pixels of " + " ".join(missing))
    shades = sum(n for k, n in counts.items()
                 if k[0:2] == k[2:4] == k[4:6] and k[0:2] not in ("00", "ff", "80", "c0"))
    if shades < greys:
        sys.exit("%d shaded pixels, fewer than %d" % (shades, greys))


main()
