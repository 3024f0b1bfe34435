#!/usr/bin/env python3
"""Writes the agent's icon: a 32x32 and a 16x16 image in 16 colours (4 bits per pixel, the Windows palette).

Usage: make_icon.py OUTPUT.ico

The picture is a handheld with a green screen and a card slot, drawn from rectangles so that both sizes stay
crisp; the output is byte-for-byte the same on every run.
"""
import struct
import sys

# The 16-colour Windows palette, as RGB.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_GREEN, SILVER, GRAY, GREEN, YELLOW, BLUE, WHITE = 0, 2, 7, 8, 10, 11, 12, 15
TRANSPARENT = None

# Rectangles (left, top, right, bottom exclusive, colour) on a 32x32 grid, painted in order.
PICTURE_32 = [
    (7, 1, 25, 31, BLACK),       # outline of the body
    (8, 2, 24, 30, GRAY),        # body
    (9, 3, 23, 4, SILVER),       # top highlight
    (10, 5, 22, 19, BLACK),      # screen frame
    (11, 6, 21, 18, DARK_GREEN),  # screen
    (12, 7, 20, 9, GREEN),       # text lines on the screen
    (12, 10, 17, 12, GREEN),
    (12, 13, 19, 15, GREEN),
    (10, 21, 14, 24, BLUE),      # keys
    (18, 21, 22, 24, BLUE),
    (14, 25, 18, 28, SILVER),
    (24, 8, 27, 16, YELLOW),     # storage card in its slot
    (24, 8, 25, 16, BLACK),
]
PICTURE_16 = [
    (3, 0, 13, 16, BLACK),
    (4, 1, 12, 15, GRAY),
    (5, 2, 11, 9, BLACK),
    (5, 3, 11, 8, DARK_GREEN),
    (6, 4, 10, 5, GREEN),
    (6, 6, 9, 7, GREEN),
    (5, 11, 7, 13, BLUE),
    (9, 11, 11, 13, BLUE),
    (13, 4, 15, 8, YELLOW),
]


def paint(size, rectangles):
    pixels = [[TRANSPARENT] * size for _ in range(size)]
    for left, top, right, bottom, colour in rectangles:
        for y in range(top, bottom):
            for x in range(left, right):
                pixels[y][x] = colour
    return pixels


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def image_bytes(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_rows, mask_rows = [], []
    for row in reversed(pixels):  # bottom-up, as DIBs are stored
        nibbles = [0 if p is TRANSPARENT else p for p in row]
        colour_rows.append(padded(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))))
        mask_bits = [1 if p is TRANSPARENT else 0 for p in row]
        mask = bytes(int("".join(map(str, mask_bits[i:i + 8])), 2) for i in range(0, size, 8))
        mask_rows.append(padded(mask))
    return header + palette + b"".join(colour_rows) + b"".join(mask_rows)


def icon_file(pictures):
    images = [image_bytes(p) for p in pictures]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for pixels, data in zip(pictures, images):
        size = len(pixels)
        directory += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return directory + b"".join(images)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    data = icon_file([paint(32, PICTURE_32), paint(16, PICTURE_16)])
    with open(argv[1], "wb") as out:
        out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
