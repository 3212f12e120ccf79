#!/usr/bin/env python3
"""Draws Lumeview's icon (a lens with a handle) at every size the displays ask for and writes
src/app/lumeview.ico: 16, 20, 24, 32, 40, 48 and 64 pixels, 32-bit with alpha. Each size is
drawn anew (4 x 4 samples a pixel), so none is a stretched copy of another."""

import math
import struct
import sys
from pathlib import Path

SIZES = (16, 20, 24, 32, 40, 48, 64)
RIM = (31, 78, 140)       # the lens's rim, RGB
GLASS = (207, 230, 255)   # the glass
HANDLE = (90, 58, 26)     # the handle
SAMPLES = 4

# In units of the icon's side: the lens's centre and radii, the handle's ends and half width.
CENTRE = (0.41, 0.43)
OUTER, INNER = 0.40, 0.265
HANDLE_FROM, HANDLE_TO, HANDLE_HALF = (0.62, 0.64), (0.93, 0.95), 0.10


def colour_at(u, v):
    """The colour at (u, v) of the unit square, or None where the icon is transparent."""
    d = math.hypot(u - CENTRE[0], v - CENTRE[1])
    if d <= INNER:
        return GLASS
    if d <= OUTER:
        return RIM
    (x0, y0), (x1, y1) = HANDLE_FROM, HANDLE_TO
    dx, dy = x1 - x0, y1 - y0
    t = max(0.0, min(1.0, ((u - x0) * dx + (v - y0) * dy) / (dx * dx + dy * dy)))
    if math.hypot(u - (x0 + t * dx), v - (y0 + t * dy)) <= HANDLE_HALF:
        return HANDLE
    return None


def draw(size):
    """Rows from the bottom up, each pixel as BGRA bytes, as an icon's bitmap holds them."""
    rows = []
    for y in range(size - 1, -1, -1):
        row = bytearray()
        for x in range(size):
            r = g = b = hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((x + (sx + 0.5) / SAMPLES) / size, (y + (sy + 0.5) / SAMPLES) / size)
                    if c:
                        r, g, b, hits = r + c[0], g + c[1], b + c[2], hits + 1
            if hits:
                row += bytes((b // hits, g // hits, r // hits, 255 * hits // (SAMPLES * SAMPLES)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def icon_image(size):
    """One image of the icon file: the header, the colour bits and the (empty) AND mask."""
    rows = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    mask_row = ((size + 31) // 32) * 4
    return header + b''.join(rows) + bytes(mask_row * size)


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent.parent / 'src/app/lumeview.ico'
    images = [icon_image(s) for s in SIZES]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        data += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out.write_bytes(data + b''.join(images))


if __name__ == '__main__':
    main()
