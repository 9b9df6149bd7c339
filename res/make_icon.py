#!/usr/bin/env python3
"""Draws Tolvane's icon: a window holding a list, with a magnifying glass over it.

Writes a 16-colour .ico with a 32x32 and a 16x16 image. Usage: make_icon.py OUT.ico
"""
import struct
import sys

# The 16 standard Windows colours, in palette order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, NAVY, GRAY, SILVER, AQUA, WHITE = 0, 1, 4, 8, 7, 14, 15


def colour_at(x, y):
    """The colour at a point of the unit square, or None where it is transparent."""
    # The magnifying glass lies over the window, so it is tested first.
    cx, cy, r = 0.62, 0.58, 0.25
    d2 = (x - cx) ** 2 + (y - cy) ** 2
    if d2 <= r * r:
        if d2 >= (r - 0.07) ** 2:
            return BLACK
        # A glint in the upper left of the lens.
        if (x - cx + 0.08) ** 2 + (y - cy + 0.08) ** 2 <= 0.05 ** 2:
            return WHITE
        return AQUA
    # The handle: a thick stroke from the rim down to the corner.
    t = ((x - 0.78) + (y - 0.74)) / 2
    if 0 <= t <= 0.2 and abs((x - 0.78) - (y - 0.74)) <= 0.13:
        return MAROON
    left, top, right, bottom = 0.02, 0.06, 0.80, 0.84
    if not (left <= x <= right and top <= y <= bottom):
        return None
    if x - left < 0.05 or right - x < 0.05 or y - top < 0.05 or bottom - y < 0.05:
        return BLACK
    if y - top < 0.20:
        return NAVY
    # List rows: short text bars, the second row selected.
    row = int((y - top - 0.22) / 0.13)
    within = (y - top - 0.22) - row * 0.13
    if row == 1 and within < 0.11:
        return WHITE if 0.10 <= x <= 0.50 and 0.03 <= within <= 0.08 else NAVY
    if within < 0.07 and 0.10 <= x <= 0.55 - 0.08 * (row % 2):
        return GRAY
    return WHITE


def icon_image(size):
    """One image as an .ico stores it: header, palette, colour bits, mask bits."""
    pixels = [[colour_at((col + 0.5) / size, (row + 0.5) / size) for col in range(size)]
              for row in range(size)]
    colour_stride = (size // 2 + 3) // 4 * 4
    mask_stride = (size // 8 + 3) // 4 * 4
    colour = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bottom-up rows
        line = bytearray(colour_stride)
        bits = bytearray(mask_stride)
        for col, c in enumerate(row):
            index = 0 if c is None else c
            line[col // 2] |= index << (4 if col % 2 == 0 else 0)
            if c is None:
                bits[col // 8] |= 0x80 >> (col % 8)
        colour += line
        mask += bits
    # The height counts the colour image and the mask together.
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0,
                         len(colour) + len(mask), 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colour) + bytes(mask)


def main():
    images = [icon_image(32), icon_image(16)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    out += b''.join(images)
    with open(sys.argv[1], 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
