#!/usr/bin/env python3
"""Draws the program icon: one 32 x 32 image in the standard 16-colour palette
(4 bits per pixel) with a transparency mask. A round disc in four coloured
quarters, split by thin dark gaps, with a small hub in the centre and a dark rim.

    python3 scripts/make_icon.py                   writes resources/main_icon.ico
    python3 scripts/make_icon.py --png DIR         also writes previews at 32 and 16 pixels
    python3 scripts/make_icon.py --theme DIR --name ID
        writes the same drawing for a Linux desktop's icon theme instead:
        DIR/NxN/apps/ID.png at 16 to 256 pixels (smooth edges, transparent outside)
        and DIR/scalable/apps/ID.svg
    python3 scripts/make_icon.py --touch FILE
        writes the home-screen icon of phones and tablets instead: 180 x 180 pixels,
        opaque (the system rounds its corners and would fill transparency with black)

Standard library only, so the icon can be rebuilt anywhere.
"""

import argparse
import math
import os
import struct
import zlib

SIZE = 32

# The standard 16-colour palette, in its usual index order, as (r, g, b).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, GREY, SILVER, WHITE = 0, 8, 7, 15
RED, GREEN, YELLOW, BLUE = 9, 10, 11, 12

# Quarters as on the four-square board: red and green above, yellow and blue below.
QUARTERS = {(0, 0): RED, (1, 0): GREEN, (0, 1): YELLOW, (1, 1): BLUE}

RADIUS = 15.6       # outer edge of the rim
RIM = 1.6           # width of the dark rim
GAP = 0.75          # half width of the dark cross between the quarters
HUB = 4.2           # radius of the hub, its dark edge included
HUB_EDGE = 1.2


def colour_at(dx, dy):
    """The palette index of the drawing at (dx, dy) from the centre, in pixels of the
    32-pixel image, or None outside it."""
    r = math.hypot(dx, dy)
    if r > RADIUS:
        return None
    if r > RADIUS - RIM:
        return BLACK
    if r <= HUB - HUB_EDGE:
        # A lit highlight in the upper left of the hub gives it some depth.
        return WHITE if dx + dy < -1.5 else SILVER
    if r <= HUB or abs(dx) < GAP or abs(dy) < GAP:
        return BLACK
    return QUARTERS[(int(dx > 0), int(dy > 0))]


def draw():
    """Returns rows (top first) of (palette index, transparent) pairs."""
    centre = SIZE / 2.0
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            index = colour_at(x + 0.5 - centre, y + 0.5 - centre)
            row.append((BLACK, True) if index is None else (index, False))
        rows.append(row)
    return rows


def ico_bytes(rows):
    """Packs the image as an .ico file: directory, one entry, one DIB with mask."""
    xor_stride = SIZE // 2                    # two pixels a byte; 16 is a multiple of 4
    and_stride = ((SIZE + 31) // 32) * 4      # one bit a pixel, rows padded to 4 bytes
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):                # DIB rows run bottom-up
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, (index, transparent) in enumerate(row):
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def png_bytes(pixels):
    """A plain RGBA PNG from rows of (r, g, b, a)."""
    height = len(pixels)
    width = len(pixels[0])
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def preview(rows, size, zoom, background):
    """The icon as shown at `size` pixels (box-averaged), enlarged `zoom` times
    over a background colour so the transparency shows."""
    step = SIZE // size
    out = []
    for y in range(size):
        line = []
        for x in range(size):
            acc = [0, 0, 0]
            for sy in range(step):
                for sx in range(step):
                    index, transparent = rows[y * step + sy][x * step + sx]
                    colour = background if transparent else PALETTE[index]
                    for c in range(3):
                        acc[c] += colour[c]
            pixel = tuple(v // (step * step) for v in acc) + (255,)
            line.extend([pixel] * zoom)
        out.extend([line] * zoom)
    return out


THEME_SIZES = (16, 32, 48, 64, 128, 256)
SAMPLES = 4  # per pixel and direction: edges as smooth as a vector drawing's


def smooth(size):
    """The drawing at `size` pixels, each pixel the mean of SAMPLES x SAMPLES points:
    rows of (r, g, b, a), colour averaged over the covered points."""
    scale = SIZE / size
    out = []
    for y in range(size):
        line = []
        for x in range(size):
            covered = []
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    index = colour_at((x + (sx + 0.5) / SAMPLES) * scale - SIZE / 2,
                                      (y + (sy + 0.5) / SAMPLES) * scale - SIZE / 2)
                    if index is not None:
                        covered.append(PALETTE[index])
            if covered:
                line.append(tuple(sum(c[i] for c in covered) // len(covered) for i in range(3))
                            + (255 * len(covered) // SAMPLES ** 2,))
            else:
                line.append((0, 0, 0, 0))
        out.append(line)
    return out


def svg_text():
    """The same drawing as shapes on the 32-unit square."""
    c = SIZE / 2
    inner = RADIUS - RIM
    hub = HUB - HUB_EDGE
    hex_of = lambda index: "#%02x%02x%02x" % PALETTE[index]
    quarters = []
    for (right, below), index in sorted(QUARTERS.items()):
        x = c + (inner if right else -inner)
        y = c + (inner if below else -inner)
        # From the centre out along x, round the quarter arc, back to the centre.
        sweep = 1 if right == below else 0
        quarters.append(f'<path d="M{c:g} {c:g}H{x:g}A{inner:g} {inner:g} 0 0 {sweep} '
                        f'{c:g} {y:g}Z" fill="{hex_of(index)}"/>')
    # The highlight: the part of the hub where dx + dy < -1.5, a segment cut by a chord.
    foot = -1.5 / 2
    half = math.sqrt(hub * hub - 2 * foot * foot) / math.sqrt(2)
    ends = [(c + foot + half, c + foot - half), (c + foot - half, c + foot + half)]
    return "\n".join([
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" '
        f'viewBox="0 0 {SIZE} {SIZE}">',
        f'<circle cx="{c:g}" cy="{c:g}" r="{RADIUS:g}" fill="{hex_of(BLACK)}"/>',
        *quarters,
        # The dark cross, within the quarters (the disc beneath them is the rim).
        f'<rect x="{c - GAP:g}" y="{c - inner:g}" width="{2 * GAP:g}" height="{2 * inner:g}" '
        f'fill="{hex_of(BLACK)}"/>',
        f'<rect x="{c - inner:g}" y="{c - GAP:g}" width="{2 * inner:g}" height="{2 * GAP:g}" '
        f'fill="{hex_of(BLACK)}"/>',
        f'<circle cx="{c:g}" cy="{c:g}" r="{HUB:g}" fill="{hex_of(BLACK)}"/>',
        f'<circle cx="{c:g}" cy="{c:g}" r="{hub:g}" fill="{hex_of(SILVER)}"/>',
        f'<path d="M{ends[0][0]:.4f} {ends[0][1]:.4f}A{hub:g} {hub:g} 0 0 0 '
        f'{ends[1][0]:.4f} {ends[1][1]:.4f}Z" fill="{hex_of(WHITE)}"/>',
        "</svg>", ""])


def write_theme(folder, name):
    for size in THEME_SIZES:
        path = os.path.join(folder, f"{size}x{size}", "apps", name + ".png")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(png_bytes(smooth(size)))
    path = os.path.join(folder, "scalable", "apps", name + ".svg")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(svg_text())


TOUCH_SIZE, TOUCH_MARGIN = 180, 14
TOUCH_BACKGROUND = PALETTE[SILVER]


def touch_icon():
    """The drawing inside a margin on an opaque silver square: rows of (r, g, b, a)."""
    inner = smooth(TOUCH_SIZE - 2 * TOUCH_MARGIN)
    out = []
    for y in range(TOUCH_SIZE):
        line = []
        for x in range(TOUCH_SIZE):
            iy, ix = y - TOUCH_MARGIN, x - TOUCH_MARGIN
            r, g, b, a = inner[iy][ix] if 0 <= iy < len(inner) and 0 <= ix < len(inner) else (0,) * 4
            line.append(tuple((c * a + bg * (255 - a)) // 255
                              for c, bg in zip((r, g, b), TOUCH_BACKGROUND)) + (255,))
        out.append(line)
    return out


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(here, "..", "resources", "main_icon.ico"))
    parser.add_argument("--png", metavar="DIR", help="also write preview PNGs into DIR")
    parser.add_argument("--theme", metavar="DIR", help="write the icon theme's files instead")
    parser.add_argument("--name", help="the icon's name in the theme")
    parser.add_argument("--touch", metavar="FILE", help="write the home-screen icon instead")
    args = parser.parse_args()
    if args.touch:
        with open(args.touch, "wb") as f:
            f.write(png_bytes(touch_icon()))
        return
    if args.theme:
        if not args.name:
            parser.error("--theme needs --name")
        write_theme(args.theme, args.name)
        return

    rows = draw()
    with open(args.out, "wb") as f:
        f.write(ico_bytes(rows))
    if args.png:
        os.makedirs(args.png, exist_ok=True)
        for size, zoom in ((32, 8), (16, 16)):
            for name, bg in (("light", (0xF0, 0xF0, 0xF0)), ("dark", (0x20, 0x40, 0x60))):
                path = os.path.join(args.png, "icon_%d_%s.png" % (size, name))
                with open(path, "wb") as f:
                    f.write(png_bytes(preview(rows, size, zoom, bg)))


if __name__ == "__main__":
    main()
