#!/usr/bin/env python3
"""Draws the program icon (a globe on a light-blue disc) at 16, 32 and 48 pixels and
writes it as a multi-size .ico with 32-bit images. Run it to remake res/app.ico."""
import math
import struct
import sys


def pixel(x, y, size):
    c = (size - 1) / 2.0
    r = size / 2.0 - 0.5
    dx, dy = (x - c) / r, (y - c) / r
    d = math.hypot(dx, dy)
    if d > 1.0:
        return (0, 0, 0, 0)
    edge = max(0.0, min(1.0, (1.0 - d) * r))  # soft rim
    alpha = int(255 * edge)
    line = max(1.0, size / 16.0) / r
    on_grid = (abs(dx) < line / 2 or abs(dy) < line / 2 or abs(d - 0.97) < line
               or abs(math.hypot(dx / 0.5, dy) - 1.0) < line * 1.6
               or abs(abs(dy) - 0.5) < line / 2)
    if on_grid:
        return (255, 255, 255, alpha)
    shade = 1.0 - 0.35 * (dx + dy + 1.4) / 2.8
    return (int(40 * shade), int(110 * shade), int(200 * shade) + 40, alpha)


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up, as bitmaps are stored
        rows.append(b"".join(struct.pack("BBBB", b, g, r, a)
                             for (r, g, b, a) in (pixel(x, y, size) for x in range(size))))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    and_mask = bytes(mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main(path):
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "app.ico")
