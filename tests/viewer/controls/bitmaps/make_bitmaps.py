#!/usr/bin/env python3
"""Writes the skinned-dialog test background: 9001.bmp, 130 x 400 at 1 bit per pixel, green with
4 x 4 magenta squares in its top-left and bottom-right corners, so a grab shows where each copy of
the picture starts and ends."""
import struct
from pathlib import Path

WIDTH, HEIGHT, MARK = 130, 400, 4
GREEN, MAGENTA = (0, 128, 0), (255, 0, 255)


def marked(x, y):
    return (x < MARK and y < MARK) or (x >= WIDTH - MARK and y >= HEIGHT - MARK)


def main():
    stride = (WIDTH + 31) // 32 * 4
    rows = bytearray()
    for y in reversed(range(HEIGHT)):  # bottom-up
        row = bytearray(stride)
        for x in range(WIDTH):
            if marked(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        rows += row
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in (GREEN, MAGENTA))
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 1, 0, len(rows), 2835, 2835, 2, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    Path(__file__).with_name("9001.bmp").write_bytes(header + info + table + rows)


if __name__ == "__main__":
    main()
