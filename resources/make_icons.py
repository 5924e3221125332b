#!/usr/bin/env python3
"""Draws the program's icons as PNG files: 128 (a sheet with a clock) and 133 (a stack of
blank sheets), each at 32 x 32 and 16 x 16. Run it from any folder; it writes beside itself."""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

CLEAR = (0, 0, 0, 0)
INK = (40, 40, 40, 255)
PAPER = (255, 255, 255, 255)
SHADE = (200, 200, 200, 255)
FACE = (255, 244, 200, 255)
RIM = (30, 80, 160, 255)
HAND = (180, 30, 30, 255)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [[CLEAR] * size for _ in range(size)]

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, fill, border):
        """Filled rectangle with a one-pixel border, corners inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                self.put(x, y, border if edge else fill)

    def disc(self, cx, cy, r, fill, border):
        for y in range(self.size):
            for x in range(self.size):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if d <= r - 1:
                    self.put(x, y, fill)
                elif d <= r:
                    self.put(x, y, border)

    def line(self, x0, y0, x1, y1, colour):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(steps + 1):
            t = i / steps
            self.put(int(x0 + (x1 - x0) * t), int(y0 + (y1 - y0) * t), colour)

    def png(self):
        raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in self.pixels)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.size, self.size, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def program_icon(size):
    """A sheet of paper with a clock in front of its lower right part."""
    s = size / 32
    c = Canvas(size)
    c.rect(int(3 * s), int(1 * s), int(22 * s), int(28 * s), PAPER, INK)
    for row in range(3):
        y = int((6 + 4 * row) * s)
        c.line(6 * s, y, 19 * s, y, SHADE)
    cx, cy, r = 20 * s, 20 * s, 11 * s
    c.disc(cx, cy, r, FACE, RIM)
    c.line(cx, cy, cx, cy - r * 0.7, INK)
    c.line(cx, cy, cx + r * 0.5, cy + r * 0.2, HAND)
    return c


def multi_file_icon(size):
    """Three blank sheets, each offset from the one behind it."""
    s = size / 32
    c = Canvas(size)
    for step in range(3):
        off = int(step * 5 * s)
        c.rect(int(2 * s) + off, int(2 * s) + off, int(19 * s) + off, int(21 * s) + off,
               PAPER if step == 2 else SHADE, INK)
    return c


def main():
    for name, draw in (("icon128", program_icon), ("icon133", multi_file_icon)):
        for size in (32, 16):
            path = os.path.join(HERE, "%s_%d.png" % (name, size))
            with open(path, "wb") as out:
                out.write(draw(size).png())


if __name__ == "__main__":
    main()
