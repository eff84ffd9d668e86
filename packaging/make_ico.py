#!/usr/bin/env python3
"""Writes packaging/trelvo5.ico (48, 32 and 16 pixels) after packaging/trelvo5.svg: the blue
square, the white page with its lines and the green arrow."""
import struct
import sys


def pixel(x, y):
    # The picture on the svg's 64 x 64 grid; RGBA.
    blue, white, green = (0x2B, 0x57, 0x97, 255), (255, 255, 255, 255), (0xC0, 0xFF, 0xC0, 255)
    def in_round(x0, y0, w, h, r):
        if not (x0 <= x < x0 + w and y0 <= y < y0 + h):
            return False
        cx = min(max(x, x0 + r), x0 + w - r)
        cy = min(max(y, y0 + r), y0 + h - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if not in_round(4, 4, 56, 56, 8):
        return (0, 0, 0, 0)
    if in_round(12, 14, 26, 34, 2):
        for ly, lw in ((22, 18), (28, 18), (34, 18), (40, 12)):
            if ly - 1 <= y < ly + 1 and 16 <= x < 16 + lw:
                return blue
        return white
    if 28.5 <= y < 31.5 and 40 <= x < 52:
        return green
    if 44 <= x < 53 and abs((y - 30) + (x - 52)) < 2.2 and y <= 30:
        return green
    if 44 <= x < 53 and abs((y - 30) - (x - 52)) < 2.2 and y >= 30:
        return green
    return blue


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = b""
        for x in range(size):
            # Average a 4 x 4 sample of the 64 grid under each pixel.
            acc = [0, 0, 0, 0]
            for sy in range(4):
                for sx in range(4):
                    p = pixel((x + (sx + 0.5) / 4) * 64 / size, (y + (sy + 0.5) / 4) * 64 / size)
                    for i in range(4):
                        acc[i] += p[i]
            r, g, b, a = (v // 16 for v in acc)
            row += bytes((b, g, r, a))
        rows.append(row)
    mask_row = b"\0" * (((size + 31) // 32) * 4)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + mask_row * size


sizes = (48, 32, 16)
images = [image(s) for s in sizes]
out = struct.pack("<HHH", 0, 1, len(sizes))
offset = 6 + 16 * len(sizes)
for s, data in zip(sizes, images):
    out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
out += b"".join(images)
open(sys.argv[1] if len(sys.argv) > 1 else "packaging/trelvo5.ico", "wb").write(out)
