#!/usr/bin/env python3
"""Draw the application icon: a wavy freehand stroke in pure green on black,
sweeping from the lower left up to the upper right.

One stroke geometry (cubic Bezier segments on a 25x25 grid) feeds every output,
so the embedded picture, the SVG and the theme PNGs all show the same line:

  ui/resources/glintfall.png                    25x25, hard-edged, the app embeds it
  data/icons/glintfall.svg                      scalable version
  data/icons/hicolor/NxN/apps/glintfall.png     smoothed theme sizes

Standard library only. Usage: python3 icons/make_app_icon.py
"""

import math
import os
import struct
import zlib

GRID = 25          # the stroke is laid out on a 25x25 grid
WIDTH = 3.0        # stroke width in grid units
GREEN = (0, 255, 0)
THEME_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

# Points the hand passes through, lower left to upper right, with a slight
# wobble so it reads as drawn rather than ruled.
POINTS = [(3.5, 21.5), (7.5, 15.0), (11.5, 15.5), (14.5, 10.5),
          (17.5, 8.0), (21.5, 3.5)]


def bezier_segments(points):
    """Catmull-Rom through the points, as cubic Bezier segments (p0, c1, c2, p1)."""
    pts = [points[0]] + points + [points[-1]]
    segs = []
    for i in range(1, len(pts) - 2):
        p0, p1, p2, p3 = pts[i - 1], pts[i], pts[i + 1], pts[i + 2]
        c1 = (p1[0] + (p2[0] - p0[0]) / 6, p1[1] + (p2[1] - p0[1]) / 6)
        c2 = (p2[0] - (p3[0] - p1[0]) / 6, p2[1] - (p3[1] - p1[1]) / 6)
        segs.append((p1, c1, c2, p2))
    return segs


SEGMENTS = bezier_segments(POINTS)


def polyline(scale, steps=32):
    """The curve flattened to short straight pieces, in pixel units."""
    out = [(SEGMENTS[0][0][0] * scale, SEGMENTS[0][0][1] * scale)]
    for p0, c1, c2, p1 in SEGMENTS:
        for k in range(1, steps + 1):
            t = k / steps
            u = 1 - t
            x = u**3 * p0[0] + 3 * u * u * t * c1[0] + 3 * u * t * t * c2[0] + t**3 * p1[0]
            y = u**3 * p0[1] + 3 * u * u * t * c1[1] + 3 * u * t * t * c2[1] + t**3 * p1[1]
            out.append((x * scale, y * scale))
    return out


def render(size, smooth):
    """Rows of RGB tuples: green where a pixel centre lies within the stroke.

    smooth=False gives only pure green and black; smooth=True shades the rim
    by how far the centre is from the stroke edge.
    """
    scale = size / GRID
    radius = WIDTH * scale / 2
    dist = [[math.inf] * size for _ in range(size)]
    line = polyline(scale)
    # Only visit pixels near each piece: keeps the 256 px size quick.
    for (ax, ay), (bx, by) in zip(line, line[1:]):
        vx, vy = bx - ax, by - ay
        vv = vx * vx + vy * vy or 1e-12
        x0 = max(0, int(min(ax, bx) - radius - 2))
        x1 = min(size, int(max(ax, bx) + radius + 2))
        y0 = max(0, int(min(ay, by) - radius - 2))
        y1 = min(size, int(max(ay, by) + radius + 2))
        for j in range(y0, y1):
            py = j + 0.5
            row = dist[j]
            for i in range(x0, x1):
                px = i + 0.5
                t = min(1.0, max(0.0, ((px - ax) * vx + (py - ay) * vy) / vv))
                d = math.hypot(ax + t * vx - px, ay + t * vy - py)
                if d < row[i]:
                    row[i] = d
    rows = []
    for j in range(size):
        row = []
        for i in range(size):
            d = dist[j][i]
            if smooth:
                cover = min(1.0, max(0.0, radius - d + 0.5))
            else:
                cover = 1.0 if d <= radius else 0.0
            row.append(tuple(round(c * cover) for c in GREEN))
        rows.append(row)
    return rows


def write_png(path, rows):
    """8-bit RGB PNG, no filtering, zlib-compressed."""
    h, w = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
           + chunk(b"IEND", b""))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


def write_svg(path):
    def pt(p):
        return f"{p[0]:.3f},{p[1]:.3f}"

    d = f"M {pt(SEGMENTS[0][0])}" + "".join(
        f" C {pt(c1)} {pt(c2)} {pt(p1)}" for _, c1, c2, p1 in SEGMENTS)
    svg = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{GRID}" height="{GRID}" '
           f'viewBox="0 0 {GRID} {GRID}">\n'
           f'  <rect width="{GRID}" height="{GRID}" fill="#000000"/>\n'
           f'  <path d="{d}" fill="none" stroke="#00ff00" stroke-width="{WIDTH:g}" '
           f'stroke-linecap="round" stroke-linejoin="round"/>\n'
           f'</svg>\n')
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(svg)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    outputs = [(os.path.join(root, "ui", "resources", "glintfall.png"), GRID, False)]
    outputs += [(os.path.join(root, "data", "icons", "hicolor", f"{n}x{n}", "apps",
                              "glintfall.png"), n, True) for n in THEME_SIZES]
    for path, size, smooth in outputs:
        write_png(path, render(size, smooth))
        print("wrote", path)
    svg = os.path.join(root, "data", "icons", "glintfall.svg")
    write_svg(svg)
    print("wrote", svg)


if __name__ == "__main__":
    main()
