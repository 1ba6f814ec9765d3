#!/usr/bin/env python3
"""Writes res/gridmoor.ico: a chequered race flag on a pole, 32x32 and 16x16, 16 colours.

The icon is committed; run this only to change it (python3 res/make-icon.py). The output is
the same byte for byte on every run.
"""
import os
import struct

# The 16 colours of the standard VGA palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_RED, GREY, DARK_GREY, WHITE = 0, 1, 7, 8, 15


def draw(size):
    """Answers rows top to bottom of palette indexes, None for transparent pixels."""
    s = size / 32.0
    px = [[None] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                px[y][x] = colour

    fill(3, 2, 6, 31, DARK_GREY)       # the pole
    fill(4, 2, 5, 31, GREY)            # its highlight
    fill(2, 29, 9, 31, DARK_RED)       # the foot
    # The flag: 4 x 3 squares of 6 pixels, each column dropping a little to suggest a wave.
    for col in range(4):
        drop = (0, 1, 1, 0)[col]
        for row in range(3):
            colour = BLACK if (row + col) % 2 == 0 else WHITE
            x0 = 6 + col * 6
            y0 = 3 + drop + row * 6
            fill(x0, y0, x0 + 6, y0 + 6, colour)
    # A black border round the white squares keeps the flag readable on light backgrounds.
    for y in range(size):
        for x in range(size):
            if px[y][x] != WHITE:
                continue
            for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
                nx, ny = x + dx, y + dy
                if not (0 <= nx < size and 0 <= ny < size) or px[ny][nx] is None:
                    px[y][x] = BLACK
                    break
    return px


def image(size):
    """A 4-bit icon image: header, palette, colour rows and mask rows, both bottom-up."""
    px = draw(size)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor_rows, and_rows = [], []
    for row in reversed(px):
        xor = bytearray(xor_stride)
        mask = bytearray(and_stride)
        for x, colour in enumerate(row):
            if colour is None:
                mask[x // 8] |= 0x80 >> (x % 8)
                colour = 0
            xor[x // 2] |= colour << (4 if x % 2 == 0 else 0)
        xor_rows.append(bytes(xor))
        and_rows.append(bytes(mask))
    bits = b"".join(xor_rows) + b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(bits), 0, 0, 0, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bits


def main():
    images = [image(32), image(16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "gridmoor.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
