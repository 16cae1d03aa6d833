#!/usr/bin/env python3
"""Draws Glowtide's icon (a glowing sun rising over a tide) and writes res/glowtide.ico.

The file holds nine images: 256 (PNG), 48, 32 and 16 pixels at 8 bits per pixel, and 256 (PNG),
64, 48, 32 and 16 pixels at 32 bits per pixel. Both icon groups of the program use this one set.
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
            t = fy / size
            color = (int(20 + 30 * t), int(24 + 40 * t), int(70 + 80 * t))
            d = math.hypot(fx - cx, fy - cy)
            glow = max(0.0, 1.0 - d / (r * 1.9))
            color = tuple(min(255, int(c + g)) for c, g in zip(color, (255 * glow * 0.6, 160 * glow * 0.6, 40 * glow * 0.6)))
            if d <= r:
                k = d / r
                color = (255, int(230 - 90 * k), int(90 - 70 * k))
            wave = size * (0.66 + 0.04 * math.sin(fx / size * math.tau * 2))
            if fy >= wave:
                depth = (fy - wave) / size
                color = (int(30 + 60 * depth), int(140 - 60 * depth), int(200 - 40 * depth))
                if fy - wave < size * 0.03:
                    color = (210, 240, 255)
            row.append(color + (255,))
        pixels.append(row)
    return pixels


def palette_index(color):
    r, g, b, _ = color
    return 16 + 36 * round(r / 51) + 6 * round(g / 51) + round(b / 51)


def palette():
    entries = [(0, 0, 0)] * 16
    for i in range(216):
        entries.append((51 * (i // 36), 51 * (i // 6 % 6), 51 * (i % 6)))
    entries += [(0, 0, 0)] * (256 - len(entries))
    return entries


def png(size, eight_bit):
    pixels = draw(size)
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    if eight_bit:
        header = struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0)
        raw = b"".join(b"\0" + bytes(palette_index(p) if p[3] else 0 for p in row) for row in pixels)
        extra = chunk(b"PLTE", b"".join(bytes(c) for c in palette()))
        extra += chunk(b"tRNS", b"\0")  # index 0 is transparent
    else:
        header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
        raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in pixels)
        extra = b""
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib(size, eight_bit):
    pixels = draw(size)[::-1]  # bottom-up
    bits = 8 if eight_bit else 32
    colors = 256 if eight_bit else 0
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, colors, 0)
    body = b""
    if eight_bit:
        body += b"".join(bytes((b, g, r, 0)) for r, g, b in palette())
        for row in pixels:
            line = bytes(palette_index(p) if p[3] else 0 for p in row)
            body += line + b"\0" * ((4 - len(line) % 4) % 4)
    else:
        for row in pixels:
            body += b"".join(bytes((b, g, r, a)) for r, g, b, a in row)
    mask_stride = ((size + 31) // 32) * 4
    for row in pixels:
        bits_row = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits_row[x // 8] |= 0x80 >> (x % 8)
        body += bytes(bits_row)
    return header + body


def main():
    images = [(256, True), (48, True), (32, True), (16, True),
              (256, False), (64, False), (48, False), (32, False), (16, False)]
    blobs = [png(s, e) if s == 256 else dib(s, e) for s, e in images]
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
