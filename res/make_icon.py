#!/usr/bin/env python3
"""Draws Glowtide's icon (a sun rising over a tide, with a glow) and writes res/glowtide.ico.

The file holds nine images: 256, 48, 32 and 16 pixels at 8 bits per pixel, and 256, 64, 48, 32
and 16 pixels at 32 bits per pixel. Both icon groups of the program use this one set
(icon_resources.py stores it once). Each image is written in its smallest lossless form, a PNG
(which Windows reads at every size): the 8-bit images carry only the colours they use, and each
takes the filter and compression that give the fewest bytes. Every part is one flat colour (the
sky, a ring of glow, the sun, the tide and its foam), so that the nine take 4 KB; the gradients
and the radial glow they had took 12 KB, bytes the program spends on behaviour instead.
Run it from anywhere: python3 res/make_icon.py
"""
import math
import os
import struct
import zlib


def draw(size):
    """RGBA rows of the artwork at the given size."""
    pixels = []
    cx, cy, r = size * 0.5, size * 0.52, size * 0.30
    for y in range(size):
        row = []
        for x in range(size):
            fx, fy = (x + 0.5), (y + 0.5)
            # Rounded-square tile, deep night blue.
            edge = size * 0.06
            inside = edge <= fx <= size - edge and edge <= fy <= size - edge
            if not inside:
                row.append((0, 0, 0, 0))
                continue
            color = (34, 46, 110)  # the night sky
            d = math.hypot(fx - cx, fy - cy)
            if d <= r * 1.25:
                color = (196, 104, 64)  # the glow, one ring around the sun
            if d <= r:
                color = (255, 190, 50)
            wave = size * (0.66 + 0.04 * math.sin(fx / size * math.tau * 2))
            if fy >= wave:
                color = (40, 120, 190)  # the tide
                if fy - wave < size * 0.03:
                    color = (210, 240, 255)
            row.append(tuple(c // 4 * 4 + 2 for c in color) + (255,))
        pixels.append(row)
    return pixels


def palette_index(color):
    r, g, b, _ = color
    return 16 + 36 * round(r / 51) + 6 * round(g / 51) + round(b / 51)


def colors(pixels, eight_bit):
    """The image's colours as (r, g, b, a). At 8 bits per pixel they come from a 6x6x6 colour
    cube, and the colour table holds only the ones used, transparent black first."""
    if not eight_bit:
        return [list(row) for row in pixels]
    def cube(p):
        i = palette_index(p) - 16
        return (51 * (i // 36), 51 * (i // 6 % 6), 51 * (i % 6), 255)
    return [[cube(p) if p[3] else (0, 0, 0, 0) for p in row]
            for row in pixels]


def table(rows):
    """The colour table of an 8-bit image (transparent black first) and each pixel's index."""
    entries = [(0, 0, 0, 0)]
    for row in rows:
        for p in row:
            if p not in entries:
                entries.append(p)
    position = {p: i for i, p in enumerate(entries)}
    return entries, [[position[p] for p in row] for row in rows]


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def filtered(lines, bpp, choice):
    """PNG scanlines with one filter for every row, or (choice None) each row's best guess."""
    out, prev = b"", bytes(len(lines[0]))
    for line in lines:
        candidates = []
        for kind in ([choice] if choice is not None else range(5)):
            row = bytearray(len(line))
            for x, v in enumerate(line):
                a = line[x - bpp] if x >= bpp else 0
                c = prev[x - bpp] if x >= bpp else 0
                row[x] = (v - (0, a, prev[x], (a + prev[x]) // 2, paeth(a, prev[x], c))[kind]) & 255
            candidates.append((sum(min(v, 256 - v) for v in row), kind, bytes(row)))
        _, kind, row = min(candidates)
        out += bytes([kind]) + row
        prev = line
    return out


def deflated(data):
    """The smallest zlib stream among the usual settings."""
    streams = []
    for strategy in (zlib.Z_DEFAULT_STRATEGY, zlib.Z_FILTERED):
        z = zlib.compressobj(9, zlib.DEFLATED, 15, 9, strategy)
        streams.append(z.compress(data) + z.flush())
    return min(streams, key=len)


def png(size, eight_bit):
    rows = colors(draw(size), eight_bit)
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    if eight_bit:
        entries, indexes = table(rows)
        header = struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0)
        lines = [bytes(row) for row in indexes]
        extra = chunk(b"PLTE", b"".join(bytes(p[:3]) for p in entries))
        extra += chunk(b"tRNS", b"\0")  # index 0 is transparent
    else:
        header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
        lines = [b"".join(bytes(p) for p in row) for row in rows]
        extra = b""
    bpp = 1 if eight_bit else 4
    data = min((deflated(filtered(lines, bpp, choice)) for choice in (0, 1, 2, 3, 4, None)), key=len)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra + chunk(b"IDAT", data) +
            chunk(b"IEND", b""))


def main():
    images = [(256, True), (48, True), (32, True), (16, True),
              (256, False), (64, False), (48, False), (32, False), (16, False)]
    blobs = [png(s, e) for s, e in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, eight_bit), blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 8 if eight_bit else 32,
                           len(blob), offset)
        offset += len(blob)
    out += b"".join(blobs)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "glowtide.ico")
    with open(path, "wb") as f:
        f.write(out)
    print(f"wrote {path}: {len(out)} bytes, {len(images)} images")


if __name__ == "__main__":
    main()
