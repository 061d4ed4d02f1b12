#!/usr/bin/env python3
"""Draws the application icon (fieldmend.png, 64x64) and the hand pointer (HAND-M.CUR, a 32x32
Windows cursor with its hotspot on the fingertip) into ui/share. Standard library only."""
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SHARE = os.path.join(HERE, "..", "ui", "share")


def png(width, height, pixels):
    """pixels: rows of (r, g, b, a)."""
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def blend(under, over, alpha):
    return tuple(round(u * (1 - alpha) + o * alpha) for u, o in zip(under, over))


def icon_pixel(x, y):
    """A database drum (three stacked discs) on a rounded blue tile, crossed by a pen stroke."""
    cx, cy = x + 0.5, y + 0.5
    # rounded tile
    r = 10
    dx = max(r - cx, 0, cx - (64 - r))
    dy = max(r - cy, 0, cy - (64 - r))
    if dx * dx + dy * dy > r * r:
        return (0, 0, 0, 0)
    colour = (38, 84, 160)
    # drum: body between two ellipses
    ex, ey, a, b = 32, 0, 18, 6
    top, bottom = 16, 46
    inside_body = abs(cx - ex) <= a and top <= cy <= bottom
    def in_ellipse(yc):
        return ((cx - ex) / a) ** 2 + ((cy - yc) / b) ** 2 <= 1
    if inside_body or in_ellipse(bottom):
        colour = (236, 240, 246)
        for band in (26, 36):  # disc seams
            if abs(((cx - ex) / a) ** 2 + ((cy - band) / b) ** 2 - 1) < 0.12 and cy > band:
                colour = (150, 170, 200)
    if in_ellipse(top):
        colour = (255, 255, 255)
        if abs(((cx - ex) / a) ** 2 + ((cy - top) / b) ** 2 - 1) < 0.15:
            colour = (150, 170, 200)
    # pen stroke from lower left to upper right, orange with a dark tip
    t = ((cx - 14) + (50 - cy)) / 2
    d = abs((cx - 14) - (50 - cy)) / math.sqrt(2)
    if 0 <= t <= 30 and d <= 3.2:
        colour = (245, 150, 40) if t > 5 else (60, 40, 20)
    return colour + (255,)


HAND = [
    "......XX........................",
    ".....X..X.......................",
    ".....X..X.......................",
    ".....X..X.......................",
    ".....X..X.......................",
    ".....X..XXX.....................",
    ".....X..X..XXX..................",
    ".....X..X..X..XX................",
    ".....X..X..X..X.X...............",
    "XX...X..X..X..X..X..............",
    "X.X..X........X..X..............",
    "X..X.X...........X..............",
    ".X..XX...........X..............",
    "..X..............X..............",
    "...X.............X..............",
    "...X............X...............",
    "....X...........X...............",
    "....X..........X................",
    ".....X.........X................",
    ".....X.........X................",
    ".....XXXXXXXXXXX................",
]
HOTSPOT = (6, 0)


def cursor_file():
    """A CUR holding one 32x32 32-bit DIB: header, one entry with the hotspot, BITMAPINFOHEADER,
    BGRA rows bottom-up, then the AND mask rows (all zero: the alpha channel decides)."""
    size = 32
    rows = []
    for y in range(size):
        line = HAND[y] if y < len(HAND) else ""
        row = []
        for x in range(size):
            ch = line[x] if x < len(line) else "."
            inside = is_inside(y, x)
            if ch == "X":
                row.append((0, 0, 0, 255))
            elif inside:
                row.append((255, 255, 255, 255))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask = bytes(4 * size)  # 32 bits per row, padded to 4 bytes
    dib = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0,
                      0, 0) + xor + mask
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, HOTSPOT[0], HOTSPOT[1], len(dib), 6 + 16)
    return header + entry + dib


def is_inside(y, x):
    """True between two outline pixels of the hand's row (the outline is closed per row)."""
    if y >= len(HAND):
        return False
    line = HAND[y]
    marks = [i for i, ch in enumerate(line) if ch == "X"]
    if len(marks) < 2:
        return False
    return marks[0] < x < marks[-1]


def main():
    os.makedirs(SHARE, exist_ok=True)
    pixels = [[icon_pixel(x, y) for x in range(64)] for y in range(64)]
    with open(os.path.join(SHARE, "fieldmend.png"), "wb") as out:
        out.write(png(64, 64, pixels))
    with open(os.path.join(SHARE, "HAND-M.CUR"), "wb") as out:
        out.write(cursor_file())
    return 0


if __name__ == "__main__":
    sys.exit(main())
