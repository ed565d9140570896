#!/usr/bin/env python3
"""Draws the programs' icons as 32x32, 256-colour .ico files.

Each icon is a few simple shapes on a transparent square, drawn at four
times the size and averaged down for smooth edges, then mapped to a fixed
palette (a 6x6x6 colour cube and a grey ramp). Run it from the repository
root to redraw every icon:  python3 scripts/draw_icons.py
"""
import math
import struct

SIZE = 32
SCALE = 4


class Canvas:
    def __init__(self):
        n = SIZE * SCALE
        self.n = n
        self.px = [[(0, 0, 0, 0)] * n for _ in range(n)]

    def fill(self, inside, colour):
        """Paints every sub-pixel whose centre (in icon pixels) is inside."""
        r, g, b = colour
        for y in range(self.n):
            fy = (y + 0.5) / SCALE
            row = self.px[y]
            for x in range(self.n):
                if inside((x + 0.5) / SCALE, fy):
                    row[x] = (r, g, b, 255)

    def circle(self, cx, cy, radius, colour):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2, colour)

    def ring(self, cx, cy, outer, inner, colour):
        self.fill(lambda x, y: inner ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= outer ** 2, colour)

    def rect(self, x0, y0, x1, y1, colour):
        self.fill(lambda x, y: x0 <= x <= x1 and y0 <= y <= y1, colour)

    def polygon(self, points, colour):
        def inside(x, y):
            hit = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
                j = i
            return hit
        self.fill(inside, colour)

    def line(self, x0, y0, x1, y1, width, colour):
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
            px, py = x0 + t * dx, y0 + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
        self.fill(inside, colour)

    def pixels(self):
        """Averages the sub-pixels down to 32x32 RGBA."""
        out = []
        for y in range(SIZE):
            row = []
            for x in range(SIZE):
                acc = [0, 0, 0, 0]
                for sy in range(SCALE):
                    for sx in range(SCALE):
                        r, g, b, a = self.px[y * SCALE + sy][x * SCALE + sx]
                        acc[0] += r * a
                        acc[1] += g * a
                        acc[2] += b * a
                        acc[3] += a
                alpha = acc[3] / (SCALE * SCALE)
                if acc[3]:
                    row.append((acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], alpha))
                else:
                    row.append((0, 0, 0, 0))
            out.append(row)
        return out


def palette():
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    colours += [(round(i * 255 / 39),) * 3 for i in range(40)]
    return colours


def nearest(colour, colours):
    r, g, b = colour[:3]
    return min(range(len(colours)),
               key=lambda i: (colours[i][0] - r) ** 2 + (colours[i][1] - g) ** 2 + (colours[i][2] - b) ** 2)


def write_ico(path, canvas):
    colours = palette()
    pixels = canvas.pixels()
    xor_rows, and_rows = [], []
    for y in reversed(range(SIZE)):  # bitmaps are stored bottom-up
        row = bytearray()
        mask = 0
        for x in range(SIZE):
            r, g, b, a = pixels[y][x]
            if a >= 128:
                row.append(nearest((r, g, b), colours))
            else:
                row.append(0)
                mask |= 1 << (31 - x)
        xor_rows.append(bytes(row))
        and_rows.append(struct.pack(">I", mask))
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    pal += b"\0" * (256 * 4 - len(pal))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    image = header + pal + b"".join(xor_rows) + b"".join(and_rows)
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(icondir + entry + image)


# Colours shared by every icon, so that the set looks like one family.
INK = (40, 40, 60)
VIOLET = (112, 48, 160)
LILAC = (190, 150, 230)
WHITE = (255, 255, 255)


def keeper():
    """The keeper: onion layers around a lit core - the tunnel it keeps."""
    c = Canvas()
    c.circle(16, 16, 15, INK)
    c.ring(16, 16, 13, 11, VIOLET)
    c.ring(16, 16, 9.5, 7.5, LILAC)
    c.circle(16, 16, 4.5, (120, 220, 120))
    return c


ICONS = {
    "resources/keeper/keeper.ico": keeper,
}

if __name__ == "__main__":
    for path, draw in ICONS.items():
        write_ico(path, draw())
        print("drew", path)
