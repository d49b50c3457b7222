#!/usr/bin/env python3
"""Draws the tool's 16 x 16, 16-colour window icon and writes it as auxline.ico.

The picture: a circle with its centre point and a dashed red construction line through
it, on the dialog's sky-blue background. Run it again after changing the drawing; the
.ico it writes is kept in the repository.
"""
import math
import struct
import sys

SIZE = 16
PALETTE = [  # index: (red, green, blue)
    (0, 0, 0),        # 0 black
    (166, 202, 240),  # 1 sky blue, the dialog's background
    (255, 255, 255),  # 2 white
    (200, 0, 0),      # 3 red
    (0, 0, 128),      # 4 navy
] + [(0, 0, 0)] * 11


def draw():
    pixels = [[1] * SIZE for _ in range(SIZE)]
    for i in range(SIZE):  # navy frame
        pixels[0][i] = pixels[SIZE - 1][i] = pixels[i][0] = pixels[i][SIZE - 1] = 4
    centre_x, centre_y, radius = 7.0, 7.0, 5.2
    for y in range(1, SIZE - 1):
        for x in range(1, SIZE - 1):
            if abs(math.hypot(x - centre_x, y - centre_y) - radius) < 0.5:
                pixels[y][x] = 0
    for step in range(1, SIZE - 1):  # dashed construction line, bottom left to top right
        if step % 4 != 3:
            pixels[SIZE - 1 - step][step] = 3
    for dx, dy in ((0, 0), (-1, 0), (1, 0), (0, -1), (0, 1)):  # centre point
        pixels[7 + dy][7 + dx] = 0
    return pixels


def icon_bytes(pixels):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_rows = b""
    for row in reversed(pixels):  # bottom-up
        colour_rows += bytes((row[x] << 4) | row[x + 1] for x in range(0, SIZE, 2))
    mask_rows = b"\x00\x00\x00\x00" * SIZE  # every pixel opaque
    image = header + palette + colour_rows + mask_rows
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else "auxline.ico"
    with open(target, "wb") as out:
        out.write(icon_bytes(draw()))
