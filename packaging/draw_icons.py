#!/usr/bin/env python3
"""Draws the program icon for the hicolor icon theme: the same sheet with a clock as
resources/icon128_*.png, smoothed for the larger sizes (48 to 256 pixels) and as SVG.
The 16 and 32 pixel images are the hand-sized ones in resources/ and are installed as they are.
Run it from any folder; it writes into icons/ beside itself."""

import math
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
SIZES = (48, 64, 128, 256)
SAMPLES = 4  # per pixel and axis

INK = (40, 40, 40)
PAPER = (255, 255, 255)
SHADE = (200, 200, 200)
FACE = (255, 244, 200)
RIM = (30, 80, 160)
HAND = (180, 30, 30)

# The drawing on a 32 x 32 grid, back to front; the smallest icons use the same grid.
SHEET = (3.5, 1.5, 22.5, 28.5)  # left, top, right, bottom of the border's centre line
RULES = [(6.5, 6.5 + 4 * row, 19.5, 6.5 + 4 * row) for row in range(3)]
CLOCK = (20.0, 20.0, 10.5)  # centre x, centre y, radius of the rim's centre line
STROKE = 1.0
HANDS = [((20.0, 20.0, 20.0, 12.6), INK), ((20.0, 20.0, 25.2, 22.1), HAND)]
HAND_WIDTH = 1.4


def hex_colour(rgb):
    return "#%02x%02x%02x" % rgb


def segment_distance(px, py, x0, y0, x1, y1):
    dx, dy = x1 - x0, y1 - y0
    t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - x0 - t * dx, py - y0 - t * dy)


def colour_at(x, y):
    """The colour at a point of the 32 x 32 grid, or None where the icon is clear."""
    colour = None
    left, top, right, bottom = SHEET
    half = STROKE / 2
    if left - half <= x <= right + half and top - half <= y <= bottom + half:
        inner = left + half <= x <= right - half and top + half <= y <= bottom - half
        colour = PAPER if inner else INK
    for rule in RULES:
        if segment_distance(x, y, *rule) <= half:
            colour = SHADE
    cx, cy, r = CLOCK
    d = math.hypot(x - cx, y - cy)
    if d <= r - half:
        colour = FACE
    elif d <= r + half:
        colour = RIM
    for hand, hand_colour in HANDS:
        if segment_distance(x, y, *hand) <= HAND_WIDTH / 2:
            colour = hand_colour
    return colour


def render(size):
    rows = []
    scale = 32 / size
    for py in range(size):
        row = bytearray()
        for px in range(size):
            red = green = blue = alpha = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) * scale,
                                  (py + (sy + 0.5) / SAMPLES) * scale)
                    if c is not None:
                        red, green, blue, alpha = red + c[0], green + c[1], blue + c[2], alpha + 1
            if alpha:
                row += bytes((round(red / alpha), round(green / alpha), round(blue / alpha),
                              round(255 * alpha / SAMPLES ** 2)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return png(size, rows)


def png(size, rows):
    raw = b"".join(b"\x00" + row for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def svg():
    left, top, right, bottom = SHEET
    cx, cy, r = CLOCK
    parts = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">',
        '  <rect x="%g" y="%g" width="%g" height="%g" fill="%s" stroke="%s" stroke-width="%g"/>'
        % (left, top, right - left, bottom - top, hex_colour(PAPER), hex_colour(INK), STROKE),
    ]
    for x0, y0, x1, y1 in RULES:
        parts.append('  <line x1="%g" y1="%g" x2="%g" y2="%g" stroke="%s" stroke-width="%g"'
                     ' stroke-linecap="round"/>' % (x0, y0, x1, y1, hex_colour(SHADE), STROKE))
    parts.append('  <circle cx="%g" cy="%g" r="%g" fill="%s" stroke="%s" stroke-width="%g"/>'
                 % (cx, cy, r, hex_colour(FACE), hex_colour(RIM), STROKE))
    for (x0, y0, x1, y1), colour in HANDS:
        parts.append('  <line x1="%g" y1="%g" x2="%g" y2="%g" stroke="%s" stroke-width="%g"'
                     ' stroke-linecap="round"/>' % (x0, y0, x1, y1, hex_colour(colour),
                                                    HAND_WIDTH))
    parts.append('</svg>')
    return "\n".join(parts) + "\n"


def main():
    os.makedirs(HERE, exist_ok=True)
    for size in SIZES:
        with open(os.path.join(HERE, "tempinex64_%d.png" % size), "wb") as out:
            out.write(render(size))
    with open(os.path.join(HERE, "tempinex64.svg"), "w", encoding="utf-8") as out:
        out.write(svg())


if __name__ == "__main__":
    main()
