#!/usr/bin/env python3
"""Draw Ostrivane's icon (the Trelvik mark) and write it as a Windows .ico.

Usage: python3 tools/make_icon.py [output-folder]
(default: resources/ in the repository root)

Writes three files there:
  ostrivane.ico      the icon file, one 48 x 48 32-bit image
  ostrivane-48.dib   that image alone (bitmap header, colour pixels, mask),
                     which the resource script embeds as icon image 30001
  ostrivane.png      a preview of the picture, for the README

The picture is a rounded-square badge with a vertical violet gradient and a
one-pixel darker rim, carrying a bold white "T" whose crossbar ends in an
arrow head pointing right (the "go to the web site" hint).  Every shape is
described analytically in a 48 x 48 pixel coordinate space (x to the right,
y downwards, pixel (i, j) covers [i, i+1) x [j, j+1)) and anti-aliased by
supersampling.  Geometry sits on multiples of 3 where possible so that
edges stay crisp when Windows scales the image to 32 x 32 and 16 x 16.

The output is byte-for-byte identical on every run.
"""

import os
import struct
import sys
import zlib
from collections.abc import Callable
from typing import cast

from ostrivane_site.dib import SIZE, Pixel, dib_bytes

SAMPLES = 8  # SAMPLES x SAMPLES coverage samples per pixel

# Badge: rounded square with a darker rim just inside its edge.
BADGE_LEFT, BADGE_TOP, BADGE_RIGHT, BADGE_BOTTOM = 3.0, 3.0, 45.0, 45.0
BADGE_RADIUS = 9.0
RIM_WIDTH = 1.0

# Colours as (R, G, B).
GRADIENT_TOP = (0x7A, 0x5C, 0xFA)
GRADIENT_BOTTOM = (0x4B, 0x2B, 0xC9)
RIM_COLOUR = (0x2E, 0x18, 0x86)
GLYPH_COLOUR = (0xFF, 0xFF, 0xFF)

# The "T": crossbar, stem and the arrow head on the crossbar's right end.
BAR_LEFT, BAR_TOP, BAR_RIGHT, BAR_BOTTOM = 9.0, 15.0, 30.0, 24.0
STEM_LEFT, STEM_TOP, STEM_RIGHT, STEM_BOTTOM = 15.0, 15.0, 24.0, 39.0
ARROW_HEAD = [(27.0, 9.0), (39.0, 19.5), (27.0, 30.0)]
GLYPH_RADIUS = 1.5  # slight rounding of the T's outer corners

# ---------------------------------------------------------------- shapes
# Each shape is a function (x, y) -> bool: is the point inside?
Shape = Callable[[float, float], bool]
# A colour as (R, G, B).
Colour = tuple[float, ...]


def rounded_rect(left: float, top: float, right: float, bottom: float, radius: float) -> Shape:
    def inside(x: float, y: float) -> bool:
        if not (left <= x <= right and top <= y <= bottom):
            return False
        # Distance from the rectangle shrunk by `radius` must be <= radius.
        dx = max(left + radius - x, 0.0, x - (right - radius))
        dy = max(top + radius - y, 0.0, y - (bottom - radius))
        return dx * dx + dy * dy <= radius * radius
    return inside


def polygon(points: list[tuple[float, float]]) -> Shape:
    """Even-odd point-in-polygon test."""
    def inside(x: float, y: float) -> bool:
        result = False
        n = len(points)
        for k in range(n):
            (x1, y1), (x2, y2) = points[k], points[(k + 1) % n]
            if (y1 > y) != (y2 > y):
                if x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                    result = not result
        return result
    return inside


def union(*shapes: Shape) -> Shape:
    return lambda x, y: any(shape(x, y) for shape in shapes)


BADGE = rounded_rect(BADGE_LEFT, BADGE_TOP, BADGE_RIGHT, BADGE_BOTTOM,
                     BADGE_RADIUS)
BADGE_INNER = rounded_rect(BADGE_LEFT + RIM_WIDTH, BADGE_TOP + RIM_WIDTH,
                           BADGE_RIGHT - RIM_WIDTH, BADGE_BOTTOM - RIM_WIDTH,
                           BADGE_RADIUS - RIM_WIDTH)
GLYPH = union(
    rounded_rect(BAR_LEFT, BAR_TOP, BAR_RIGHT, BAR_BOTTOM, GLYPH_RADIUS),
    rounded_rect(STEM_LEFT, STEM_TOP, STEM_RIGHT, STEM_BOTTOM, GLYPH_RADIUS),
    polygon(ARROW_HEAD),
)


# ------------------------------------------------------------- rendering

def coverage(shape: Shape, px: int, py: int) -> float:
    """Fraction (0..1) of pixel (px, py) covered by `shape`."""
    hits = 0
    for sy in range(SAMPLES):
        y = py + (sy + 0.5) / SAMPLES
        for sx in range(SAMPLES):
            if shape(px + (sx + 0.5) / SAMPLES, y):
                hits += 1
    return hits / (SAMPLES * SAMPLES)


def gradient(py: int) -> Colour:
    t = (py + 0.5 - BADGE_TOP) / (BADGE_BOTTOM - BADGE_TOP)
    t = min(max(t, 0.0), 1.0)
    return tuple(a + (b - a) * t for a, b in zip(GRADIENT_TOP, GRADIENT_BOTTOM))


def over(top: Colour, top_alpha: float, bottom: Colour, bottom_alpha: float) -> tuple[Colour, float]:
    """Porter-Duff 'over' on straight (non-premultiplied) colours."""
    alpha = top_alpha + bottom_alpha * (1.0 - top_alpha)
    if alpha == 0.0:
        return (0.0, 0.0, 0.0), 0.0
    colour = tuple((t * top_alpha + b * bottom_alpha * (1.0 - top_alpha)) / alpha
                   for t, b in zip(top, bottom))
    return colour, alpha


def render() -> list[list[Pixel]]:
    """Return SIZE rows (top row first) of (R, G, B, A) byte tuples."""
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            colour: Colour = (0.0, 0.0, 0.0)
            alpha = 0.0
            for fill, shape in ((RIM_COLOUR, BADGE),
                                (gradient(py), BADGE_INNER),
                                (GLYPH_COLOUR, GLYPH)):
                cov = coverage(shape, px, py)
                if cov:
                    colour, alpha = over(fill, cov, colour, alpha)
            row.append(cast(Pixel, tuple(int(round(c)) for c in colour)
                            + (int(round(alpha * 255)),)))
        rows.append(row)
    return rows


# ---------------------------------------------------------------- writer

def ico_bytes(image: bytes) -> bytes:
    """An .ico file holding the one 48 x 48 image."""
    icondir = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 32, len(image),
                        6 + 16)
    data = icondir + entry + image
    assert len(data) == 9662
    return bytes(data)


def png_bytes(rows: list[list[Pixel]]) -> bytes:
    """The picture as an RGBA PNG, for viewing."""
    def chunk(kind: bytes, body: bytes) -> bytes:
        return (struct.pack('>I', len(body)) + kind + body
                + struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b''.join(b'\x00' + bytes(v for pixel in row for v in pixel)
                   for row in rows)
    header = struct.pack('>IIBBBBB', SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main(argv: list[str]) -> None:
    repo_root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    if len(argv) > 2:
        sys.exit('usage: make_icon.py [output-folder]')
    folder = argv[1] if len(argv) > 1 else os.path.join(repo_root, 'resources')
    rows = render()
    image = dib_bytes(rows)
    for name, data in (('ostrivane.ico', ico_bytes(image)),
                       ('ostrivane-48.dib', image),
                       ('ostrivane.png', png_bytes(rows))):
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main(sys.argv)
