#!/usr/bin/env python3
"""Draws the programs' icons as .ico files with an image for every size the
system asks for at 100 % to 200 % scaling and beyond: 16, 20, 24, 32, 40, 48,
64 and 256 pixels.

Each icon is a few simple shapes on a transparent square, given in the units
of a 32-pixel icon and drawn at every size on its own (not scaled from
another image), at several times the size and averaged down for smooth
edges, into 32-bit images with an alpha channel; the 256-pixel image is
stored as PNG, as the system expects that size. Run it from the repository
root to redraw every icon:  python3 scripts/draw_icons.py
"""
import math
import struct
import zlib

UNIT = 32
SIZES = (16, 20, 24, 32, 40, 48, 64, 256)


class Canvas:
    def __init__(self, size):
        self.size = size
        # Sub-pixels a pixel: fewer for the large images, whose edges need
        # fewer to look smooth.
        self.scale = 4 if size <= 64 else 2
        self.n = size * self.scale
        self.px = [[(0, 0, 0, 0)] * self.n for _ in range(self.n)]

    def fill(self, inside, colour):
        """Paints every sub-pixel whose centre (in units of the 32-pixel
        icon) is inside."""
        r, g, b = colour
        unit = self.size * self.scale / UNIT
        for y in range(self.n):
            fy = (y + 0.5) / unit
            row = self.px[y]
            for x in range(self.n):
                if inside((x + 0.5) / unit, fy):
                    row[x] = (r, g, b, 255)

    def circle(self, cx, cy, radius, colour):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2, colour)

    def ring(self, cx, cy, outer, inner, colour):
        self.fill(lambda x, y: inner ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= outer ** 2, colour)

    def arc(self, cx, cy, outer, inner, start, end, colour):
        """A ring sector from angle `start` to `end` (degrees, clockwise from
        three o'clock, as y grows downwards)."""
        def inside(x, y):
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            if not inner ** 2 <= d2 <= outer ** 2:
                return False
            a = math.degrees(math.atan2(y - cy, x - cx)) % 360
            return (a - start) % 360 <= (end - start) % 360
        self.fill(inside, colour)

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
        """Averages the sub-pixels down to the icon's size, RGBA."""
        out = []
        k = self.scale
        for y in range(self.size):
            row = []
            for x in range(self.size):
                acc = [0, 0, 0, 0]
                for sy in range(k):
                    for sx in range(k):
                        r, g, b, a = self.px[y * k + sy][x * k + sx]
                        acc[0] += r * a
                        acc[1] += g * a
                        acc[2] += b * a
                        acc[3] += a
                alpha = acc[3] / (k * k)
                if acc[3]:
                    row.append((acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], alpha))
                else:
                    row.append((0, 0, 0, 0))
            out.append(row)
        return out


def dib(pixels, size):
    """A 32-bit image with its AND mask, as an icon entry holds it."""
    rows, mask_rows = [], []
    stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):  # bitmaps are stored bottom-up
        row = bytearray()
        mask = bytearray(stride)
        for x in range(size):
            r, g, b, a = pixels[y][x]
            row += struct.pack("<BBBB", round(b), round(g), round(r), round(a))
            if a < 128:
                mask[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
        mask_rows.append(bytes(mask))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"".join(mask_rows)


def png(pixels, size):
    """The image as a PNG file (RGBA, 8 bits a channel)."""
    raw = b"".join(b"\0" + bytes(round(c) for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write_ico(path, draw):
    images = []
    for size in SIZES:
        pixels = draw(size).pixels()
        images.append((size, png(pixels, size) if size >= 256 else dib(pixels, size)))
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, data in images:
        # A size of 256 is written as 0.
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(directory + b"".join(data for _, data in images))


# Colours shared by every icon, so that the set looks like one family.
INK = (40, 40, 60)
VIOLET = (112, 48, 160)
LILAC = (190, 150, 230)
WHITE = (255, 255, 255)


def keeper(size):
    """The keeper: onion layers around a lit core - the tunnel it keeps."""
    c = Canvas(size)
    c.circle(16, 16, 15, INK)
    c.ring(16, 16, 13, 11, VIOLET)
    c.ring(16, 16, 9.5, 7.5, LILAC)
    c.circle(16, 16, 4.5, (120, 220, 120))
    return c


# The controller's buttons: one round badge each, the colour saying what
# kind of action it is, a white sign saying which.
GREEN = (40, 160, 70)
BLUE = (40, 100, 190)
RED = (200, 45, 45)
AMBER = (230, 150, 20)
GREY = (110, 110, 130)


def badge(size, colour):
    c = Canvas(size)
    c.circle(16, 16, 15, INK)
    c.circle(16, 16, 13.5, colour)
    return c


def shield(c, x, y, w, h, colour):
    c.polygon([(x, y + h * 0.12), (x + w / 2, y), (x + w, y + h * 0.12), (x + w, y + h * 0.5),
               (x + w / 2, y + h), (x, y + h * 0.5)], colour)


def arrow_head(c, tip, direction, size, colour):
    """A filled triangle with its point at `tip`, pointing along `direction`
    (degrees, clockwise from three o'clock)."""
    a = math.radians(direction)
    tx, ty = tip
    back = (tx - size * math.cos(a), ty - size * math.sin(a))
    side = (-math.sin(a) * size * 0.7, math.cos(a) * size * 0.7)
    c.polygon([tip, (back[0] + side[0], back[1] + side[1]), (back[0] - side[0], back[1] - side[1])],
              colour)


def velquin(size):
    """The controller: a violet shield over the onion rings - the hidden address."""
    c = Canvas(size)
    c.circle(16, 16, 15, INK)
    c.ring(16, 16, 13, 11, VIOLET)
    shield(c, 8, 6, 16, 20, WHITE)
    shield(c, 10, 8.5, 12, 15, VIOLET)
    c.circle(16, 14.5, 2.2, WHITE)
    c.polygon([(14.8, 15), (17.2, 15), (18, 20), (14, 20)], WHITE)
    return c


def go(size):
    """Hide IP Now, Clean, Save Settings: a tick - do it."""
    c = badge(size, GREEN)
    c.line(9, 16.5, 14, 21.5, 3.6, WHITE)
    c.line(14, 21.5, 23.5, 10.5, 3.6, WHITE)
    return c


def new_ip(size):
    """Get A New IP: the circling arrow of a fresh start."""
    c = badge(size, VIOLET)
    c.arc(16, 17, 9, 5.6, 330, 235, WHITE)
    arrow_head(c, (19.5, 9.7), 0, 7.5, WHITE)
    return c


def restore(size):
    """Restore Real IP, Done: the arrow back."""
    c = badge(size, BLUE)
    c.arc(16, 17, 8.5, 5, 270, 90, WHITE)
    c.rect(9.5, 8.5, 16, 12, WHITE)
    c.rect(9.5, 22, 16, 25.5, WHITE)
    arrow_head(c, (6, 10.25), 180, 7, WHITE)
    return c


def privacy(size):
    """Online Privacy: a broom that sweeps the traces away."""
    c = badge(size, AMBER)
    c.line(22, 6, 15.5, 16, 2.6, (120, 70, 20))
    c.polygon([(12, 14), (19.5, 18.5), (15, 26), (6.5, 22.5)], WHITE)
    c.line(10, 19, 9, 23, 1, AMBER)
    c.line(13, 20.5, 12, 24.5, 1, AMBER)
    return c


def help_(size):
    """Help: a question mark."""
    c = badge(size, BLUE)
    c.arc(16, 12, 6, 2.6, 180, 90, WHITE)
    c.line(17.5, 16.5, 16, 19, 3.4, WHITE)
    c.circle(16, 24, 2, WHITE)
    return c


def minimize(size):
    """Minimize: an arrow down into the tray."""
    c = badge(size, GREY)
    c.rect(14, 7, 18, 15, WHITE)
    arrow_head(c, (16, 21), 90, 7, WHITE)
    c.rect(8, 22.5, 24, 25.5, WHITE)
    return c


def exit_(size):
    """Exit: a cross."""
    c = badge(size, RED)
    c.line(10.5, 10.5, 21.5, 21.5, 3.8, WHITE)
    c.line(21.5, 10.5, 10.5, 21.5, 3.8, WHITE)
    return c


def status(size):
    """The status line: an information sign."""
    c = badge(size, BLUE)
    c.circle(16, 9.5, 2.3, WHITE)
    c.rect(14.2, 13.5, 17.8, 24, WHITE)
    c.rect(12.5, 22, 19.5, 24.5, WHITE)
    return c


def troubleshoot(size):
    """Troubleshooting and About: the onion rings with the shield's lock."""
    c = Canvas(size)
    c.circle(16, 16, 15, INK)
    c.ring(16, 16, 13, 11, VIOLET)
    c.ring(16, 16, 9.5, 7.5, LILAC)
    c.circle(16, 16, 5, WHITE)
    c.circle(16, 15, 1.8, VIOLET)
    c.polygon([(15, 15.5), (17, 15.5), (17.6, 19.5), (14.4, 19.5)], VIOLET)
    return c


ICONS = {
    "resources/keeper/keeper.ico": keeper,
    "resources/controller/velquin.ico": velquin,  # 128
    "resources/controller/new_ip.ico": new_ip,  # 138
    "resources/controller/go.ico": go,  # 139
    "resources/controller/restore.ico": restore,  # 140
    "resources/controller/privacy.ico": privacy,  # 141
    "resources/controller/help.ico": help_,  # 143
    "resources/controller/minimize.ico": minimize,  # 145
    "resources/controller/exit.ico": exit_,  # 146
    "resources/controller/status.ico": status,  # 148
    "resources/controller/troubleshoot.ico": troubleshoot,  # 153
}

if __name__ == "__main__":
    import os
    for path, draw in ICONS.items():
        os.makedirs(os.path.dirname(path), exist_ok=True)
        write_ico(path, draw)
        print("drew", path)
