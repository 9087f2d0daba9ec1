#!/usr/bin/env python3
"""Draws the pictures of the installer's Plug Tablet page and the program icon.

The wizard shows 4-bit bitmaps on the dialog face, so everything here is drawn
straight into the 16-colour VGA palette with a handful of primitives (filled
rectangles and polygons, thick lines, circles, a tiny bitmap font), then written
as uncompressed BI_RGB DIBs and a 32x32 16-colour icon.

Usage: make_pictures.py [output-directory]   (default: wizard/res next to tools/)
"""

import math
import os
import struct
import sys

# The standard 16-colour Windows palette, in the order the system uses it.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
(BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, FACE,
 SHADOW, RED, LIME, YELLOW, BLUE, MAGENTA, CYAN, WHITE) = range(16)

# ---------------------------------------------------------------------------
# Canvas: a list of rows of palette indices, (0,0) at the top left.

def canvas(w, h, colour=FACE):
    return [[colour] * w for _ in range(h)]


def put(c, x, y, colour):
    if 0 <= y < len(c) and 0 <= x < len(c[0]):
        c[int(y)][int(x)] = colour


def fill_rect(c, x0, y0, x1, y1, colour):
    """Fills the pixels x0..x1-1, y0..y1-1."""
    for y in range(max(0, y0), min(len(c), y1)):
        row = c[y]
        for x in range(max(0, x0), min(len(row), x1)):
            row[x] = colour


def fill_polygon(c, pts, colour):
    """Scan-converts a polygon (even-odd), sampling at pixel centres."""
    ys = [p[1] for p in pts]
    n = len(pts)
    for y in range(max(0, int(math.floor(min(ys)))), min(len(c), int(math.ceil(max(ys))) + 1)):
        sy = y + 0.5
        xs = []
        for i in range(n):
            (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
            if (ay <= sy < by) or (by <= sy < ay):
                xs.append(ax + (sy - ay) * (bx - ax) / (by - ay))
        xs.sort()
        for i in range(0, len(xs) - 1, 2):
            for x in range(int(math.ceil(xs[i] - 0.5)), int(math.floor(xs[i + 1] - 0.5)) + 1):
                put(c, x, y, colour)


def fill_circle(c, cx, cy, r, colour):
    for y in range(int(cy - r - 1), int(cy + r + 2)):
        for x in range(int(cx - r - 1), int(cx + r + 2)):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                put(c, x, y, colour)


def line(c, x0, y0, x1, y1, colour, width=1.0):
    """A line of the given width with round ends (width 1: a thin line)."""
    n = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
    for i in range(n + 1):
        t = i / n
        x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
        if width <= 1.0:
            put(c, math.floor(x), math.floor(y), colour)
        else:
            fill_circle(c, x, y, width / 2.0, colour)


def polyline(c, pts, colour, width=1.0):
    for a, b in zip(pts, pts[1:]):
        line(c, a[0], a[1], b[0], b[1], colour, width)


def outline(c, pts, colour):
    polyline(c, list(pts) + [pts[0]], colour)


def bevel(c, x0, y0, x1, y1, raised=True):
    """A 3D edge around the rectangle x0..x1-1, y0..y1-1 in the dialog style."""
    light, dark = (WHITE, SHADOW) if raised else (SHADOW, WHITE)
    fill_rect(c, x0, y0, x1, y0 + 1, light)
    fill_rect(c, x0, y0, x0 + 1, y1, light)
    fill_rect(c, x0, y1 - 1, x1, y1, dark)
    fill_rect(c, x1 - 1, y0, x1, y1, dark)


def bezier(p0, p1, p2, p3, steps=24):
    pts = []
    for i in range(steps + 1):
        t = i / steps
        u = 1 - t
        pts.append((u ** 3 * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t ** 3 * p3[0],
                    u ** 3 * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t ** 3 * p3[1]))
    return pts


def rounded(pts, r, steps=6):
    """Replaces each corner of a convex polygon by an arc of radius r."""
    out = []
    n = len(pts)
    for i in range(n):
        p, a, b = pts[i], pts[i - 1], pts[(i + 1) % n]
        ux, uy = a[0] - p[0], a[1] - p[1]
        vx, vy = b[0] - p[0], b[1] - p[1]
        lu, lv = math.hypot(ux, uy), math.hypot(vx, vy)
        ux, uy, vx, vy = ux / lu, uy / lu, vx / lv, vy / lv
        half = math.acos(max(-1.0, min(1.0, ux * vx + uy * vy))) / 2
        d = r / math.tan(half)
        bx, by = ux + vx, uy + vy
        lb = math.hypot(bx, by)
        cx, cy = p[0] + bx / lb * r / math.sin(half), p[1] + by / lb * r / math.sin(half)
        s = (p[0] + ux * d, p[1] + uy * d)
        e = (p[0] + vx * d, p[1] + vy * d)
        a0 = math.atan2(s[1] - cy, s[0] - cx)
        a1 = math.atan2(e[1] - cy, e[0] - cx)
        sweep = (a1 - a0 + math.pi) % (2 * math.pi) - math.pi
        for k in range(steps + 1):
            ang = a0 + sweep * k / steps
            out.append((cx + r * math.cos(ang), cy + r * math.sin(ang)))
    return out


def moved(pts, dx, dy):
    return [(x + dx, y + dy) for x, y in pts]


def extrude(c, pts, depth, colour, edge=None):
    """Sweeps a face back along (depth) so the solid's sides show; the face
    itself is drawn by the caller on top."""
    n = int(max(abs(depth[0]), abs(depth[1]))) + 1
    for i in range(n, 0, -1):
        fill_polygon(c, moved(pts, depth[0] * i / n, depth[1] * i / n), colour)
    if edge is not None:
        outline(c, moved(pts, depth[0], depth[1]), edge)


def arrow(c, x0, y0, x1, y1, colour=RED, width=3.0, head=7.0):
    """A thick arrow from (x0,y0) pointing at (x1,y1)."""
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    bx, by = x1 - ux * head * 1.2, y1 - uy * head * 1.2
    line(c, x0, y0, bx, by, colour, width)
    fill_polygon(c, [(x1 + ux, y1 + uy),
                     (bx - uy * head, by + ux * head),
                     (bx + uy * head, by - ux * head)], colour)


# ---------------------------------------------------------------------------
# Font: 5x7 glyphs, smoothed on scaling so the big labels get round strokes.

GLYPHS = {
    '1': ["..#..",
          ".##..",
          "#.#..",
          "..#..",
          "..#..",
          "..#..",
          ".###."],
    '2': [".###.",
          "#...#",
          "....#",
          "...#.",
          "..#..",
          ".#...",
          "#####"],
    '.': ["..",
          "..",
          "..",
          "..",
          "..",
          "##",
          "##"],
    'O': [".###.",
          "#...#",
          "#...#",
          "#...#",
          "#...#",
          "#...#",
          ".###."],
    'R': ["####.",
          "#...#",
          "#...#",
          "####.",
          "#.#..",
          "#..#.",
          "#...#"],
}


def scale2x(bits):
    """The EPX pixel-art magnifier: doubles a bitmap and rounds off steps."""
    h, w = len(bits), len(bits[0])

    def at(x, y):
        return bits[y][x] if 0 <= x < w and 0 <= y < h else False

    out = [[False] * (2 * w) for _ in range(2 * h)]
    for y in range(h):
        for x in range(w):
            p = at(x, y)
            a, b, cc, d = at(x, y - 1), at(x + 1, y), at(x - 1, y), at(x, y + 1)
            e = [p] * 4
            if cc == a and cc != d and a != b:
                e[0] = a
            if a == b and a != cc and b != d:
                e[1] = b
            if d == cc and d != b and cc != a:
                e[2] = cc
            if b == d and b != a and d != cc:
                e[3] = d
            out[2 * y][2 * x], out[2 * y][2 * x + 1] = e[0], e[1]
            out[2 * y + 1][2 * x], out[2 * y + 1][2 * x + 1] = e[2], e[3]
    return out


def shrink(bits, num, den):
    """Nearest-neighbour resize by num/den, keeping the rounded steps."""
    h, w = len(bits), len(bits[0])
    nh, nw = h * num // den, w * num // den
    return [[bits[y * den // num][x * den // num] for x in range(nw)]
            for y in range(nh)]


def text_bits(text, gap=1):
    rows = [[] for _ in range(7)]
    for i, ch in enumerate(text):
        g = GLYPHS[ch]
        for y in range(7):
            if i:
                rows[y].extend([False] * gap)
            rows[y].extend(ch_ == '#' for ch_ in g[y])
    return rows


def embolden(bits, n):
    """Thickens strokes by n pixels to the right and downwards."""
    h, w = len(bits), len(bits[0])
    out = [[False] * (w + n) for _ in range(h + n)]
    for y in range(h):
        for x in range(w):
            if bits[y][x]:
                for dy in range(n + 1):
                    for dx in range(n + 1):
                        out[y + dy][x + dx] = True
    return out


def label(text, colour):
    """A 50x50 picture with a big, thick label, centred across."""
    # Three times the font's size: on the page the picture below a label
    # covers its lower rows, so the label must stay within the top 24.
    bits = embolden(shrink(scale2x(scale2x(text_bits(text))), 3, 4), 2)
    c = canvas(50, 50)
    h, w = len(bits), len(bits[0])
    # Kept high: on the page the picture below may cover the lower rows.
    ox, oy = (50 - w) // 2, 0
    for y in range(h):
        for x in range(w):
            if bits[y][x]:
                put(c, ox + x, oy + y, colour)
    return c


# ---------------------------------------------------------------------------
# Connectors, drawn in an oblique view: faces square to the viewer, depth
# running diagonally, so a port's pins show and a plug's sides show.

def d_shape(cx, cy, w, h, r):
    """A D-sub face: a trapezoid with rounded corners, wider at the top."""
    slant = h * 0.22
    return rounded([(cx - w / 2, cy - h / 2), (cx + w / 2, cy - h / 2),
                    (cx + w / 2 - slant, cy + h / 2), (cx - w / 2 + slant, cy + h / 2)], r)


def hex_nut(c, cx, cy, k=1.0):
    """A standoff screw beside a port, seen from the front."""
    r = 4.2 * k
    corners = [(cx + r * math.cos(a), cy + r * math.sin(a))
               for a in (math.pi / 3 * i for i in range(6))]
    fill_polygon(c, corners, SHADOW)
    fill_polygon(c, [corners[2], corners[3], corners[4], corners[5]], WHITE)
    fill_polygon(c, [(x * 0.7 + cx * 0.3, y * 0.7 + cy * 0.3) for x, y in corners], FACE)
    outline(c, corners, BLACK)
    fill_circle(c, cx, cy, 1.5 * k, BLACK)


def port_face(c, cx, cy, pins, pitch, k=1.0):
    """A male D-sub port: metal shell, dark insulator and two rows of pins
    (pins in the top row, one fewer below), with the standoff screws on
    either side. k scales all but the pins and their pitch."""
    w = pins * pitch + 6 * k
    h = 2 * pitch + 8 * k
    shell = d_shape(cx, cy, w + 6 * k, h + 6 * k, 4 * k)
    fill_polygon(c, shell, SHADOW)
    fill_polygon(c, moved(shell, -1, -1), WHITE)
    fill_polygon(c, d_shape(cx - 0.5, cy - 0.5, w + 3 * k, h + 3 * k, 3.5 * k), FACE)
    inner = d_shape(cx, cy, w, h, 3 * k)
    fill_polygon(c, inner, BLACK)
    for row, count in ((0, pins), (1, pins - 1)):
        y = cy - pitch / 2 + row * pitch
        for i in range(count):
            x = cx - (count - 1) * pitch / 2 + i * pitch
            fill_rect(c, int(x - 0.5), int(y - 0.5), int(x + 1.5), int(y + 1.5), YELLOW)
            put(c, int(x - 0.5), int(y - 0.5), WHITE)
    nut = w / 2 + 9 * k
    hex_nut(c, cx - nut, cy, k)
    hex_nut(c, cx + nut, cy, k)


def cable(c, pts, width=7):
    """A round cable along pts, outlined, with a highlight along its top."""
    polyline(c, pts, BLACK, width + 2)
    polyline(c, pts, SHADOW, width)
    polyline(c, [(x - width / 4, y - width / 4) for x, y in pts], FACE, max(1.0, width / 4))


def plug_back(c, cx, cy, w, h, depth, cable_to, k=1.0):
    """A D-sub plug with its hood, seen from behind on its way in: the hood
    with its sides, the thumbscrews, the cable out of the back. k scales
    the parts."""
    w, h = w * k, h * k
    hood = rounded([(cx - w / 2, cy - h / 2), (cx + w / 2, cy - h / 2),
                    (cx + w / 2 - 4 * k, cy + h / 2), (cx - w / 2 + 4 * k, cy + h / 2)], 4 * k)
    extrude(c, hood, (depth[0] * k, depth[1] * k), SHADOW, BLACK)
    fill_polygon(c, hood, FACE)
    outline(c, hood, BLACK)
    polyline(c, [p for p in hood if p[1] < cy and p[0] < cx + w / 2 - 2 * k], WHITE)
    # Thumbscrews at both ends.
    for sx in (cx - w / 2 + 5 * k, cx + w / 2 - 5 * k):
        fill_circle(c, sx, cy, 4 * k, BLACK)
        fill_circle(c, sx, cy, 3 * k, SHADOW)
        fill_circle(c, sx - 0.7 * k, cy - 0.7 * k, 1.6 * k, WHITE)
    # Strain relief and cable.
    fill_circle(c, cx, cy, 6.5 * k, BLACK)
    fill_circle(c, cx, cy, 5.5 * k, SHADOW)
    cable(c, [(cx, cy)] + cable_to, 7 * k)
    fill_circle(c, cx, cy, 4 * k, SHADOW)
    fill_circle(c, cx - 1 * k, cy - 1 * k, 2 * k, FACE)


# ---------------------------------------------------------------------------
# The pictures.

def picture_panel():
    c = canvas(405, 170)
    bevel(c, 0, 0, 405, 170, raised=True)
    return c


def back_panel(c, x0, y0, x1, y1):
    """A piece of the computer's back panel, raised off the backdrop."""
    fill_rect(c, x0, y0, x1, y1, FACE)
    fill_rect(c, x0, y1, x1 + 1, y1 + 1, BLACK)
    fill_rect(c, x1, y0, x1 + 1, y1 + 1, BLACK)
    bevel(c, x0, y0, x1, y1, raised=True)


# Each picture is drawn for the size of its control: w x h pixels. At two
# pixels a dialog unit (Large Fonts, 120 dpi) that is the full size; on the
# default screen (96 dpi, base units 6 x 13) 1.5 pixels a unit across and
# 1.625 down. Places follow both scales, parts the one across; the pins keep
# their size and are spaced at least a pixel apart, so none merge.

def scaler(w, h, full_w, full_h):
    sx, sy = w / full_w, h / full_h
    return sx, sy, (lambda x, y: (x * sx, y * sy))


def picture_plug9(w=144, h=90):
    # The "OR" label overlaps the top right corner by a few rows on the page.
    sx, sy, at = scaler(w, h, 144, 90)
    c = canvas(w, h)
    back_panel(c, round(66 * sx), round(6 * sy), round(140 * sx), round(46 * sy))
    port_face(c, *at(103, 26), 5, round(5 * sx), sx)
    cable_path = bezier(at(34, 77), at(24, 88), at(10, 82), at(0, 88))
    plug_back(c, *at(34, 75), 44, 22, (10, -7), cable_path, sx)
    arrow(c, *at(64, 62), *at(88, 45), width=3.0 * sx, head=7.0 * sx)
    return c


def adapter(c, cx, cy, depth, k=1.0):
    """A 9-to-25-pin adapter seen from its 9-pin end: the body as wide as a
    25-pin plug, with the 9-pin port standing out of its face."""
    body = rounded([(cx - 33 * k, cy - 13 * k), (cx + 33 * k, cy - 13 * k),
                    (cx + 29 * k, cy + 13 * k), (cx - 29 * k, cy + 13 * k)], 4 * k)
    depth = (depth[0] * k, depth[1] * k)
    # The 25-pin socket end stands out of the back of the body.
    far = moved(d_shape(cx, cy, 62 * k, 18 * k, 4 * k), depth[0], depth[1])
    extrude(c, far, (depth[0] * 0.5, depth[1] * 0.5), SHADOW, BLACK)
    extrude(c, body, depth, SHADOW, BLACK)
    fill_polygon(c, body, FACE)
    outline(c, body, BLACK)
    polyline(c, [p for p in body if p[1] < cy and p[0] < cx + 31 * k], WHITE)
    port_face(c, cx, cy, 5, round(4 * k), k)


def picture_plug25(w=200, h=123):
    # On the page the "2." label covers the top left corner and a narrow
    # sheet cuts off the right edge, so the parts sit top right to bottom left
    # and only the cable runs out to the right.
    sx, sy, at = scaler(w, h, 200, 123)
    c = canvas(w, h)
    back_panel(c, round(76 * sx), round(2 * sy), round(172 * sx), round(42 * sy))
    port_face(c, *at(124, 22), 13, round(4 * sx), sx)
    adapter(c, *at(92, 70), (10, -7), sx)
    cable_path = bezier(at(36, 106), at(26, 120), at(10, 114), at(0, 121))
    plug_back(c, *at(36, 104), 44, 22, (9, -6), cable_path, sx)
    arrow(c, *at(62, 52), *at(84, 38), width=3.0 * sx, head=7.0 * sx)
    arrow(c, *at(12, 88), *at(40, 70), width=3.0 * sx, head=7.0 * sx)
    return c


# ---------------------------------------------------------------------------
# Icon: a graphics tablet with its pen, 32x32, 16 colours, transparent round.

def picture_icon():
    c = canvas(32, 32, None)
    # The tablet lying on the desk, seen from the front and above.
    slab = [(6, 11), (26, 11), (31, 26), (1, 26)]
    fill_polygon(c, moved(slab, 0, 2), BLACK)
    fill_polygon(c, slab, SHADOW)
    outline(c, slab, BLACK)
    line(c, 6, 12, 25, 12, FACE)
    area = [(9, 15), (23, 15), (26, 23), (6, 23)]
    fill_polygon(c, area, WHITE)
    outline(c, area, BLACK)
    for x, colour in ((9, RED), (12, LIME), (15, YELLOW)):
        fill_rect(c, x, 13, x + 2, 14, colour)
    # A stroke drawn with the pen, and the pen, its tip resting on the area.
    polyline(c, [(8, 21), (10, 18), (12, 20), (14, 21), (16, 19)], RED)
    line(c, 29, 0, 19, 16, BLACK, 5)
    line(c, 29, 0, 19, 16, BLUE, 3)
    line(c, 28, 0, 19, 14, CYAN)
    line(c, 19, 16, 17, 19, BLACK, 2)
    line(c, 18, 17, 17, 18, SHADOW)
    put(c, 16, 19, BLACK)
    line(c, 29, 0, 31, 0, BLACK)
    return c


# ---------------------------------------------------------------------------
# File writers.

def dib_bits(c):
    """Rows bottom-up, two pixels a byte (high nibble first), padded to DWORDs."""
    out = bytearray()
    for row in reversed(c):
        packed = bytearray()
        for x in range(0, len(row), 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < len(row) else 0
            packed.append((hi << 4) | lo)
        while len(packed) % 4:
            packed.append(0)
        out += packed
    return bytes(out)


def colour_table():
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)


def write_bmp(path, c):
    w, h = len(c[0]), len(c)
    bits = dib_bits(c)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 4, 0, len(bits), 0, 0, 16, 0)
    offset = 14 + len(info) + 64
    head = struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(head + info + colour_table() + bits)


def write_ico(path, c):
    """One 32x32 4-bit image; pixels set to None are transparent."""
    w, h = len(c[0]), len(c)
    xor = dib_bits([[BLACK if p is None else p for p in row] for row in c])
    mask = bytearray()
    for row in reversed(c):
        packed = bytearray((w + 31) // 32 * 4)
        for x, p in enumerate(row):
            if p is None:
                packed[x // 8] |= 0x80 >> (x % 8)
        mask += packed
    info = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 4, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + colour_table() + xor + bytes(mask)
    head = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', w, h, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, 'wb') as f:
        f.write(head + entry + image)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), '..', 'wizard', 'res')
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, 'plug25.bmp'), picture_plug25())
    write_bmp(os.path.join(out, 'label2.bmp'), label('2.', BLUE))
    write_bmp(os.path.join(out, 'plug9.bmp'), picture_plug9())
    write_bmp(os.path.join(out, 'label1.bmp'), label('1.', BLUE))
    write_bmp(os.path.join(out, 'panel.bmp'), picture_panel())
    write_bmp(os.path.join(out, 'labelor.bmp'), label('OR', BLACK))
    # The two pictures with pins, drawn again for the default screen.
    write_bmp(os.path.join(out, 'plug25s.bmp'), picture_plug25(150, 101))
    write_bmp(os.path.join(out, 'plug9s.bmp'), picture_plug9(108, 73))
    write_ico(os.path.join(out, 'setup.ico'), picture_icon())


if __name__ == '__main__':
    main()
