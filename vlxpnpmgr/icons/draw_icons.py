#!/usr/bin/env python3
"""Draws the four 32x32, 16-colour icons of the progress windows and
writes them as .ico files beside this script. The pictures are ours,
made of simple shapes; run it again after changing a picture."""
import os
import struct

# The 16 colours of the standard palette, by the letters the pictures use.
PALETTE = [
    ("k", (0, 0, 0)), ("r", (128, 0, 0)), ("g", (0, 128, 0)), ("o", (128, 128, 0)),
    ("n", (0, 0, 128)), ("p", (128, 0, 128)), ("t", (0, 128, 128)), ("s", (192, 192, 192)),
    ("d", (128, 128, 128)), ("R", (255, 0, 0)), ("G", (0, 255, 0)), ("Y", (255, 255, 0)),
    ("B", (0, 0, 255)), ("M", (255, 0, 255)), ("C", (0, 255, 255)), ("w", (255, 255, 255)),
]
INDEX = {letter: i for i, (letter, _) in enumerate(PALETTE)}
SIZE = 32


class Picture:
    def __init__(self):
        self.pixels = [[None] * SIZE for _ in range(SIZE)]

    def dot(self, x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.pixels[y][x] = colour

    def box(self, x0, y0, x1, y1, fill, edge=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                border = x in (x0, x1) or y in (y0, y1)
                self.dot(x, y, edge if border and edge else fill)

    def disc(self, cx, cy, r, fill, edge=None):
        for y in range(SIZE):
            for x in range(SIZE):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if d <= (r + 0.5) ** 2:
                    self.dot(x, y, edge if edge and d > (r - 0.6) ** 2 else fill)

    def line(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            for y in range(y0, y1 + 1):
                self.dot(x, y, colour)


def optical_disc(p, cx, cy, r):
    p.disc(cx, cy, r, "s", "k")
    p.disc(cx, cy, r - 2, "C")
    p.disc(cx, cy, r - 4, "w")
    p.disc(cx, cy, max(r - 6, 2), "s")
    p.disc(cx, cy, 2, "k")
    p.dot(cx, cy, None)


def cdrom():
    p = Picture()
    optical_disc(p, 16, 10, 10)
    p.box(1, 18, 30, 29, "s", "k")            # the drive
    p.line(2, 19, 29, 19, "w")
    p.box(4, 21, 27, 23, "d", "k")            # its tray
    p.line(24, 26, 26, 27, "G")               # busy light
    p.line(4, 26, 9, 26, "d")                 # eject button
    return p


def floppy():
    p = Picture()
    p.box(8, 1, 24, 17, "n", "k")             # the diskette
    p.box(11, 1, 20, 6, "s", "k")             # its shutter
    p.box(17, 2, 18, 5, "n")
    p.box(10, 9, 22, 17, "w", "k")            # its label
    p.line(12, 11, 20, 11, "B")
    p.line(12, 13, 20, 13, "B")
    p.box(1, 18, 30, 29, "s", "k")            # the drive
    p.line(2, 19, 29, 19, "w")
    p.box(5, 22, 26, 23, "k")                 # its slot
    p.line(24, 26, 26, 27, "G")
    return p


def devices():
    p = Picture()
    optical_disc(p, 8, 8, 7)                  # a disc
    p.box(17, 3, 30, 11, "s", "k")            # a drive
    p.line(19, 6, 28, 6, "k")
    p.line(27, 9, 28, 9, "G")
    p.box(1, 15, 27, 26, "g", "k")            # an expansion card
    p.box(4, 17, 9, 21, "k")                  # its chips
    p.box(12, 17, 17, 21, "k")
    p.box(20, 18, 24, 22, "d", "k")
    for x in range(3, 26, 3):                 # its edge connector
        p.line(x, 27, x + 1, 30, "Y")
    p.line(27, 15, 30, 15, "d")               # its bracket
    p.line(28, 15, 28, 30, "d")
    return p


def harddisk():
    p = Picture()
    p.box(2, 6, 29, 14, "s", "k")             # top of the drive
    p.disc(16, 10, 3, "d", "k")               # spindle cover
    p.box(2, 14, 29, 25, "d", "k")            # front
    p.line(3, 15, 28, 15, "s")
    p.line(5, 18, 20, 18, "k")
    p.line(5, 21, 20, 21, "k")
    p.box(24, 19, 26, 21, "G", "g")           # activity light
    for x in (6, 12, 18, 24):                 # feet
        p.line(x, 26, x + 1, 27, "k")
    return p


def write_icon(picture, path):
    rows = picture.pixels
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):           # bottom-up
        row = rows[y]
        for x in range(0, SIZE, 2):
            hi = INDEX[row[x]] if row[x] else 0
            lo = INDEX[row[x + 1]] if row[x + 1] else 0
            xor.append(hi << 4 | lo)
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (1 if row[x] is None else 0)
        mask += struct.pack(">I", bits)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 22)
    with open(path, "wb") as f:
        f.write(directory + image)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, draw in (("cdrom", cdrom), ("floppy", floppy), ("devices", devices), ("harddisk", harddisk)):
        write_icon(draw(), os.path.join(here, name + ".ico"))
