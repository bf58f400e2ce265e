#!/usr/bin/env python3
"""Draw the five 30x30 toolbar pictures and write them next to this script
as uncompressed 24-bit BMP files.

Standard library only, so the pictures can be rebuilt anywhere. Each picture
is a dark rounded tile with a thin lighter rim and a bright glyph; every pixel
is supersampled 4x4 and averaged to smooth the edges.

Usage: python3 icons/make_icons.py
"""

import colorsys
import math
import os
import struct

SIZE = 30
SS = 4  # subsamples per pixel along each axis

BAR = (0, 0, 0)  # the toolbar behind the tile's rounded corners


# ---------------------------------------------------------------- shapes
# A shape is a function (x, y) -> bool in pixel units; pixel (i, j) covers
# [i, i+1) x [j, j+1), y grows downwards.

def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        dx = max(x0 + r - x, 0.0, x - (x1 - r))
        dy = max(y0 + r - y, 0.0, y - (y1 - r))
        return x0 <= x <= x1 and y0 <= y <= y1 and dx * dx + dy * dy <= r * r
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_in, r_out, a0=None, a1=None):
    """Annulus; with a0/a1 (degrees, clockwise on screen from +x) only that arc."""
    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not r_in * r_in <= d2 <= r_out * r_out:
            return False
        if a0 is None:
            return True
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360
        return (a - a0) % 360 <= (a1 - a0) % 360
    return inside


def capsule(ax, ay, bx, by, r):
    """Thick line segment with round ends."""
    def inside(x, y):
        vx, vy = bx - ax, by - ay
        t = ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)
        t = min(1.0, max(0.0, t))
        px, py = ax + t * vx - x, ay + t * vy - y
        return px * px + py * py <= r * r
    return inside


def polygon(points):
    """Even-odd fill of a closed polygon."""
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
            if (y0 > y) != (y1 > y):
                if x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                    hit = not hit
        return hit
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def intersect(a, b):
    return lambda x, y: a(x, y) and b(x, y)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def rotated(shape, cx, cy, degrees):
    """The shape turned clockwise (on screen) about (cx, cy)."""
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))

    def inside(x, y):
        dx, dy = x - cx, y - cy
        return shape(cx + dx * c + dy * s, cy - dx * s + dy * c)
    return inside


# ---------------------------------------------------------------- colours
# A paint is either an (r, g, b) tuple or a function (x, y) -> (r, g, b).

def hue(h, s=0.85, v=1.0):
    r, g, b = colorsys.hsv_to_rgb(h % 1.0, s, v)
    return (r * 255, g * 255, b * 255)


def vertical_gradient(top, bottom, y0, y1):
    def paint(x, y):
        t = min(1.0, max(0.0, (y - y0) / (y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return paint


# ---------------------------------------------------------------- render

def render(layers):
    """Paint (shape, paint) layers in order onto the bar colour; return rows."""
    rows = []
    for j in range(SIZE):
        row = []
        for i in range(SIZE):
            acc = [0.0, 0.0, 0.0]
            for sj in range(SS):
                for si in range(SS):
                    x = i + (si + 0.5) / SS
                    y = j + (sj + 0.5) / SS
                    colour = BAR
                    for shape, paint in layers:
                        if shape(x, y):
                            colour = paint(x, y) if callable(paint) else paint
                    for k in range(3):
                        acc[k] += colour[k]
            n = SS * SS
            row.append(tuple(max(0, min(255, round(c / n))) for c in acc))
        rows.append(row)
    return rows


def write_bmp(path, rows):
    """Uncompressed 24-bit BMP, BITMAPINFOHEADER, bottom-up, rows padded to 4."""
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b in row:
            pixels += bytes((b, g, r))
        pixels += bytes(stride - w * 3)
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0,
                              header_size)
    info_header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels),
                              2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(file_header + info_header + pixels)


# ---------------------------------------------------------------- pictures

def tile():
    """Shared background: dark rounded tile with a 1-px lighter rim."""
    outer = rounded_rect(1, 1, 29, 29, 5)
    inner = rounded_rect(2, 2, 28, 28, 4)
    return [
        (outer, vertical_gradient((96, 96, 108), (62, 62, 70), 1, 29)),
        (inner, vertical_gradient((50, 50, 58), (30, 30, 35), 2, 28)),
    ]


def light():
    """Light bulb with a rainbow glass: picks a new colour pattern."""
    cx, cy = 15, 12.5

    def rainbow(x, y):
        # Hue round the glass, paler towards the middle so it seems to glow.
        r = math.hypot(x - cx, y - cy)
        return hue(math.atan2(y - cy, x - cx) / (2 * math.pi), 0.3 + 0.6 * min(1.0, r / 7), 1.0)

    glass = union(circle(cx, cy, 7), polygon([(10, 16), (20, 16), (18, 20.5), (12, 20.5)]))
    shine = ring(cx, cy, 3.2, 4.8, 200, 250)
    base = (185, 185, 195)
    return tile() + [
        (glass, rainbow),
        (shine, (255, 255, 255)),
        (rounded_rect(11.5, 20.5, 18.5, 22.5, 1), base),
        (rounded_rect(12, 23, 18, 25, 1), base),
        (rounded_rect(13.5, 25, 16.5, 26.5, 1), (140, 140, 150)),
    ]


def clear():
    """Pink eraser tilted over a swept floor line: erases everything."""
    cx, cy = 15, 13.5
    body = rounded_rect(cx - 10, cy - 5, cx + 10, cy + 5, 1.8)
    sleeve = rect(cx - 1, cy - 6, cx + 11, cy + 6)
    tip = minus(body, sleeve)
    back = intersect(body, sleeve)
    band = rect(cx - 1.3, cy - 6, cx + 0.3, cy + 6)
    angle = -40
    return tile() + [
        (rotated(tip, cx, cy, angle), (255, 110, 150)),
        (rotated(back, cx, cy, angle), (90, 170, 255)),
        (rotated(intersect(band, body), cx, cy, angle), (235, 235, 245)),
        (capsule(6, 24.5, 24, 24.5, 0.9), (235, 235, 245)),
    ]


def save():
    """Floppy disk: saves the picture."""
    body = polygon([(6, 5), (21, 5), (25, 9), (25, 25), (6, 25)])
    blue = (60, 140, 255)
    return tile() + [
        (body, blue),
        (rect(10, 5, 20, 11.5), (210, 214, 224)),             # metal shutter
        (rect(16.5, 6.5, 18.5, 10), (60, 140, 255)),          # shutter window
        (rounded_rect(9, 15, 22, 25, 1), (250, 250, 250)),    # label
        (rect(11, 18, 20, 19), (150, 160, 185)),              # label lines
        (rect(11, 21, 20, 22), (150, 160, 185)),
    ]


def change():
    """Two arrows chasing round a circle in shifting hues: colour flow."""
    cx, cy = 15, 15

    def flow(x, y):
        return hue(math.atan2(y - cy, x - cx) / (2 * math.pi) + 0.05, 0.8, 1.0)

    def head(a_deg):
        # Arrow head at angle a_deg on the ring, pointing clockwise.
        a = math.radians(a_deg)
        px, py = cx + 8.5 * math.cos(a), cy + 8.5 * math.sin(a)
        ox, oy = math.cos(a), math.sin(a)          # outward
        tx, ty = -math.sin(a), math.cos(a)         # clockwise tangent
        return polygon([
            (px + 5.0 * ox, py + 5.0 * oy),
            (px - 5.0 * ox, py - 5.0 * oy),
            (px + 6.0 * tx, py + 6.0 * ty),
        ])

    arcs = union(ring(cx, cy, 6.5, 10.5, 205, 336), ring(cx, cy, 6.5, 10.5, 25, 156))
    heads = union(head(330), head(150))
    return tile() + [(union(arcs, heads), flow)]


def info():
    """A white 'i' in a blue disc: about box."""
    return tile() + [
        (circle(15, 15, 11), (45, 125, 235)),
        (ring(15, 15, 10, 11), (120, 180, 255)),
        (circle(15, 9, 2), (255, 255, 255)),
        (rect(13.3, 12.5, 16.7, 21.5), (255, 255, 255)),
        (rect(11.5, 12.5, 16.7, 14), (255, 255, 255)),   # left serif on top
        (rect(11.5, 20.5, 18.5, 22), (255, 255, 255)),   # foot
    ]


PICTURES = {
    "light": light,
    "clear": clear,
    "save": save,
    "change": change,
    "info": info,
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, make in PICTURES.items():
        path = os.path.join(here, name + ".bmp")
        write_bmp(path, render(make()))
        print("wrote", path)


if __name__ == "__main__":
    main()
