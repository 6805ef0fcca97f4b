#!/usr/bin/env python3
"""Draws the Kestrabin icon: a white "9" on a teal tile.

Writes kestrabin.svg, PNGs at the usual sizes, kestrabin.ico (PNG entries)
and the X window icon's pixels, kestrabin-window.argb, into this directory.
The shapes are defined once, in a 256-unit square, and both the SVG and the
rasteriser use them.
"""
import math
import os
import struct
import zlib

TILE = (16.0, 16.0, 240.0, 240.0, 44.0)           # x0, y0, x1, y1, corner radius
RING = (128.0, 100.0, 50.0, 32.0)                 # centre x, y, radius, stroke width
TAIL = ((176.0, 112.0), (142.0, 206.0), 32.0)     # from, to, stroke width (round caps)
TEAL = (0x17, 0x60, 0x7a)
TEAL_DARK = (0x0f, 0x45, 0x59)
WHITE = (0xff, 0xff, 0xff)
SIZES = (16, 24, 32, 48, 64, 128, 256)
WINDOW_ICON_SIZES = (16, 32, 48)
HERE = os.path.dirname(os.path.abspath(__file__))


def in_tile(x, y):
    x0, y0, x1, y1, r = TILE
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def in_ring(x, y):
    cx, cy, r, w = RING
    d = math.hypot(x - cx, y - cy)
    return abs(d - r) <= w / 2


def in_tail(x, y):
    (ax, ay), (bx, by), w = TAIL
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) <= w / 2


def colour_at(x, y):
    if not in_tile(x, y):
        return None
    if in_ring(x, y) or in_tail(x, y):
        return WHITE
    # A darker lower half gives the flat tile a little depth.
    return TEAL if y < 150 else TEAL_DARK


def render(size, samples=4):
    """The icon at `size` px: rows of (red, green, blue, alpha) tuples."""
    rows = []
    scale = 256.0 / size
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px + (sx + 0.5) / samples) * scale,
                                  (py + (sy + 0.5) / samples) * scale)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits:
                row.append((acc[0] // hits, acc[1] // hits, acc[2] // hits,
                            255 * hits // (samples * samples)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png(size, rows):
    # Each row starts with its filter type: none.
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(images):
    entries = b""
    offset = 6 + 16 * len(images)
    data = b""
    for size, blob in images:
        dim = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        data += blob
    return struct.pack("<HHH", 0, 1, len(images)) + entries + data


def window_icon_pixels(icons):
    """The icons as _NET_WM_ICON lays them out, as 32-bit little-endian words:
    for each, width, height, then the pixels row by row as 0xAARRGGBB (not
    premultiplied). The build turns the file into a C++ array."""
    words = []
    for size, rows in icons:
        words += [size, size]
        words += [a << 24 | r << 16 | g << 8 | b for row in rows for r, g, b, a in row]
    return struct.pack(f"<{len(words)}I", *words)


def svg():
    x0, y0, x1, y1, r = TILE
    cx, cy, rr, w = RING
    (ax, ay), (bx, by), tw = TAIL
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <title>Kestrabin</title>
  <defs>
    <clipPath id="lower"><rect x="0" y="150" width="256" height="106"/></clipPath>
  </defs>
  <rect x="{x0:g}" y="{y0:g}" width="{x1 - x0:g}" height="{y1 - y0:g}" rx="{r:g}" fill="#17607a"/>
  <rect x="{x0:g}" y="{y0:g}" width="{x1 - x0:g}" height="{y1 - y0:g}" rx="{r:g}" fill="#0f4559" clip-path="url(#lower)"/>
  <circle cx="{cx:g}" cy="{cy:g}" r="{rr:g}" fill="none" stroke="#ffffff" stroke-width="{w:g}"/>
  <line x1="{ax:g}" y1="{ay:g}" x2="{bx:g}" y2="{by:g}" stroke="#ffffff" stroke-width="{tw:g}" stroke-linecap="round"/>
</svg>
"""


def main():
    with open(os.path.join(HERE, "kestrabin.svg"), "w") as f:
        f.write(svg())
    images = []
    window_icons = []
    for size in SIZES:
        rows = render(size)
        if size in WINDOW_ICON_SIZES:
            window_icons.append((size, rows))
        blob = png(size, rows)
        images.append((size, blob))
        with open(os.path.join(HERE, f"kestrabin-{size}.png"), "wb") as f:
            f.write(blob)
    with open(os.path.join(HERE, "kestrabin.ico"), "wb") as f:
        f.write(ico([(s, b) for s, b in images if s in (16, 24, 32, 48, 256)]))
    with open(os.path.join(HERE, "kestrabin-window.argb"), "wb") as f:
        f.write(window_icon_pixels(window_icons))


if __name__ == "__main__":
    main()
