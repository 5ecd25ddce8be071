#!/usr/bin/env python3
"""Renders the picture pane's two cursors as 32 x 32 monochrome PNGs.

Each cursor is a black shape with a one-pixel white outline on a transparent background, so it
reads on dark and light pictures alike. Run from this folder after changing a shape:
    python3 make_cursors.py
The hot spots live in the code that loads the cursors (gallery/pane_cursors.cpp).
"""

import struct
import zlib

SIZE = 32


def triangle_right(x, y):
    """225, not live: a right-pointing triangle whose top-left corner is the hot spot (10, 8)."""
    left, top, bottom, apex_x = 10, 8, 24, 22
    if x < left or y < top or y > bottom:
        return False
    mid = (top + bottom) / 2
    half = (bottom - top) / 2
    reach = left + (apex_x - left) * (1 - abs(y - mid) / half)
    return x <= reach


def two_bars(x, y):
    """226, live: two upright bars; the hot spot (18, 14) sits on the right bar's left edge."""
    in_rows = 6 <= y <= 23
    return in_rows and (10 <= x <= 14 or 18 <= x <= 22)


def render(inside):
    black = (0, 0, 0, 255)
    white = (255, 255, 255, 255)
    clear = (0, 0, 0, 0)
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            if inside(x, y):
                row.append(black)
            elif any(inside(x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                row.append(white)
            else:
                row.append(clear)
        rows.append(row)
    return rows


def png(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    for number, shape in ((225, triangle_right), (226, two_bars)):
        with open(f"{number}.png", "wb") as out:
            out.write(png(render(shape)))
