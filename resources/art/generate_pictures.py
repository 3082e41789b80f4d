#!/usr/bin/env python3
"""Draws the two pictures of the paper-check dialog and writes them as
resources/printer.bmp (bitmap 153) and resources/attention.ico (icon 146).

Plain Python 3, standard library only. The output is deterministic, so the
committed files can be checked against a fresh run:

    python3 resources/art/generate_pictures.py            # rewrite both files
    python3 resources/art/generate_pictures.py --check    # compare, exit 1 on change
    python3 resources/art/generate_pictures.py --out DIR  # write into DIR instead
"""

import argparse
import os
import struct
import sys

# The classic 16-colour palette, as (red, green, blue), in its usual order.
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 dark red
    (0x00, 0x80, 0x00),  # 2 dark green
    (0x80, 0x80, 0x00),  # 3 olive
    (0x00, 0x00, 0x80),  # 4 navy
    (0x80, 0x00, 0x80),  # 5 purple
    (0x00, 0x80, 0x80),  # 6 teal
    (0xC0, 0xC0, 0xC0),  # 7 silver
    (0x80, 0x80, 0x80),  # 8 grey
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # 10 lime
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 magenta
    (0x00, 0xFF, 0xFF),  # 14 cyan
    (0xFF, 0xFF, 0xFF),  # 15 white
]

BLACK, DARK_RED, DARK_GREEN, OLIVE = 0, 1, 2, 3
TEAL, SILVER, GREY, RED = 6, 7, 8, 9
LIME, YELLOW, WHITE = 10, 11, 15

PRINTER_SIZE = (112, 86)
ICON_SIZE = 32


class Canvas:
    """A grid of palette indices. Coordinates name pixel centres."""

    def __init__(self, width, height, background):
        self.width = width
        self.height = height
        self.pixels = [[background] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def get(self, x, y):
        return self.pixels[y][x]

    def fill(self, mask, colour):
        for (x, y) in mask:
            self.put(x, y, colour)

    def line(self, start, end, colour):
        """Bresenham line between two pixel centres, both ends included."""
        x0, y0 = start
        x1, y1 = end
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        step_x = 1 if x0 < x1 else -1
        step_y = 1 if y0 < y1 else -1
        error = dx + dy
        while True:
            self.put(x0, y0, colour)
            if (x0, y0) == (x1, y1):
                return
            doubled = 2 * error
            if doubled >= dy:
                error += dy
                x0 += step_x
            if doubled <= dx:
                error += dx
                y0 += step_y

    def outline(self, points, colour):
        for i, point in enumerate(points):
            self.line(point, points[(i + 1) % len(points)], colour)

    def polygon(self, points, fill, edge=None):
        self.fill(polygon_mask(points, self.width, self.height), fill)
        if edge is not None:
            self.outline(points, edge)

    def glyph(self, left, top, rows, colours):
        """Stamps a little pixel pattern; characters map through `colours`."""
        for dy, row in enumerate(rows):
            for dx, char in enumerate(row):
                if char in colours:
                    self.put(left + dx, top + dy, colours[char])


def polygon_mask(points, width, height):
    """Pixels whose centre lies inside the polygon (even-odd rule)."""
    mask = set()
    for y in range(height):
        crossings = []
        for i, (x0, y0) in enumerate(points):
            x1, y1 = points[(i + 1) % len(points)]
            if (y0 <= y < y1) or (y1 <= y < y0):
                crossings.append(x0 + (y - y0) * (x1 - x0) / (y1 - y0))
        crossings.sort()
        for left, right in zip(crossings[0::2], crossings[1::2]):
            start = max(0, int(-(-left // 1)))
            for x in range(start, min(width - 1, int(right // 1)) + 1):
                mask.add((x, y))
    return mask


def ellipse_mask(cx, cy, rx, ry, width, height):
    mask = set()
    for y in range(height):
        for x in range(width):
            if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0:
                mask.add((x, y))
    return mask


def border_of(mask):
    """Pixels of the mask that touch a pixel outside it (4-neighbourhood)."""
    return {
        (x, y)
        for (x, y) in mask
        if any(n not in mask for n in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)))
    }


# --- Bitmap 153: the printer ----------------------------------------------

# Isometric projection with 2:1 edges: one unit along the printer's width
# runs 2 pixels right and 1 down, one unit of depth 2 pixels left and 1 down,
# one unit of height 1 pixel up.
ORIGIN = (56, 42)


def iso(x, y, z):
    return (ORIGIN[0] + 2 * (x - y), ORIGIN[1] + x + y - z)


def iso_points(*corners):
    return [iso(*corner) for corner in corners]


def draw_box(canvas, x0, x1, y0, y1, z0, z1, top, front, side):
    """A box seen from above, front-left and front-right; black edges."""
    top_face = iso_points((x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1))
    front_face = iso_points((x0, y1, z1), (x1, y1, z1), (x1, y1, z0), (x0, y1, z0))
    side_face = iso_points((x1, y0, z1), (x1, y1, z1), (x1, y1, z0), (x1, y0, z0))
    for face, colour in ((top_face, top), (front_face, front), (side_face, side)):
        canvas.polygon(face, colour, BLACK)


def draw_printer(canvas):
    width, depth, height = 22, 14, 13

    # Sheets waiting in the feeder, leaning back behind the body.
    feeder_back = iso_points((3, 3, height), (19, 3, height), (19, -3, height + 15), (3, -3, height + 15))
    canvas.polygon(feeder_back, SILVER, BLACK)
    sheets = iso_points((5, 4, height), (17, 4, height), (17, -1, height + 13), (5, -1, height + 13))
    canvas.polygon(sheets, WHITE, BLACK)

    # The body. The front (facing down-left) carries the slot; the right-hand
    # side is in shadow.
    draw_box(canvas, 0, width, 0, depth, 0, height, WHITE, SILVER, GREY)
    # Feeder throat: the sheets stand in a dark slot on the top.
    canvas.polygon(iso_points((4, 3, height), (18, 3, height), (18, 5, height), (4, 5, height)), BLACK)
    canvas.line(iso(5, 4, height), iso(17, 4, height), WHITE)
    # A shaded band along the top's front edge makes the lid read as a lid.
    canvas.line(iso(1, depth - 1, height), iso(width - 1, depth - 1, height), SILVER)

    # Control panel on the top, front-right corner: buttons and a lit lamp.
    canvas.put(*iso(width - 3, depth - 3, height), GREY)
    canvas.put(*iso(width - 5, depth - 3, height), GREY)
    lamp_x, lamp_y = iso(width - 3, depth - 6, height)
    canvas.put(lamp_x, lamp_y, LIME)
    canvas.put(lamp_x + 1, lamp_y, LIME)

    # Ventilation lines on the shaded side.
    for z in (4, 6, 8):
        canvas.line(iso(width, 3, z), iso(width, 10, z), BLACK)

    # Output slot on the front, just above the tray.
    slot = iso_points((3, depth, 6), (19, depth, 6), (19, depth, 4), (3, depth, 4))
    canvas.polygon(slot, BLACK)

    # Paper tray jutting out of the front.
    draw_box(canvas, 2, 20, depth, depth + 8, 1, 3, SILVER, GREY, GREY)

    # The printed sheet coming out of the slot onto the tray.
    sheet = iso_points((4, depth, 5), (18, depth, 5), (18, depth + 10, 3), (4, depth + 10, 3))
    canvas.polygon(sheet, WHITE, BLACK)
    for row in (3, 5, 7):
        z = 5 - row // 4
        canvas.line(iso(6, depth + row, z), iso(13 + (row % 3), depth + row, z), GREY)

    # Feet.
    for x in (2, width - 2):
        foot_x, foot_y = iso(x, depth - 1, 0)
        canvas.line((foot_x - 1, foot_y + 1), (foot_x + 1, foot_y + 1), BLACK)


QUESTION_MARK = [
    "....#####....",
    "..##RRRRR##..",
    ".#RRRRRRRRR#.",
    "#RRRR###RRRR#",
    "#RRR#...#RRR#",
    ".###....#RRR#",
    "........#RRR#",
    ".......#RRRR#",
    "......#RRRR#.",
    ".....#RRRR#..",
    "....#RRR##...",
    "....#RRR#....",
    "....#RRR#....",
    ".....###.....",
    ".............",
    ".....###.....",
    "....#RRR#....",
    "....#RRR#....",
    ".....###.....",
]


def draw_bubble(canvas):
    """The printer asks: a speech bubble in the free corner, its tail
    pointing at the printer's lid."""
    width, height = canvas.width, canvas.height
    bubble = ellipse_mask(22.5, 18.5, 20.5, 16.5, width, height)
    tail = polygon_mask([(28, 31), (37, 28), (46, 42)], width, height)
    shape = bubble | tail
    canvas.fill(shape, WHITE)
    canvas.fill(border_of(shape), BLACK)
    # A soft shadow on the lower right of the bubble.
    shadow = {(x + 2, y + 2) for (x, y) in bubble} - shape
    canvas.fill({p for p in shadow if p[0] < width and p[1] < height}, GREY)
    canvas.glyph(16, 9, QUESTION_MARK, {"#": DARK_RED, "R": RED})


def draw_printer_picture():
    canvas = Canvas(*PRINTER_SIZE, background=WHITE)
    draw_printer(canvas)
    draw_bubble(canvas)
    return canvas


# --- Icon 146: the attention sign -------------------------------------------


def draw_attention_icon():
    """Yellow warning triangle with a black exclamation mark; the mask is the
    set of opaque pixels."""
    size = ICON_SIZE
    canvas = Canvas(size, size, background=BLACK)
    apex, base_y = 15.5, 29.0
    half_base = 15.0

    def inside(x, y, inset):
        # Distance inside each of the three edges, measured perpendicular.
        if y > base_y - inset:
            return False
        slope_run = half_base / (base_y - 1.0)  # half-width grows per pixel down
        half = (y - 1.0) * slope_run
        norm = (1.0 + slope_run * slope_run) ** 0.5
        return abs(x - apex) <= half - inset * norm

    opaque = set()
    for y in range(size):
        for x in range(size):
            if inside(x, y, 0.0):
                opaque.add((x, y))
                canvas.put(x, y, BLACK)
            if inside(x, y, 1.6):
                canvas.put(x, y, YELLOW)
    # A darker inner rim along the right-hand edge and base gives the sign
    # some depth.
    for (x, y) in opaque:
        if canvas.get(x, y) == YELLOW and not inside(x, y, 2.6) and (x > apex or y > base_y - 3):
            canvas.put(x, y, OLIVE)
    # Exclamation mark: a bar narrowing at its foot, and a round dot.
    for y in range(9, 21):
        half = 2 if y < 18 else 1
        for x in range(size):
            if abs(x - apex) <= half:
                canvas.put(x, y, BLACK)
    for y in range(23, 27):
        for x in range(14, 18):
            if not (y in (23, 26) and x in (14, 17)):
                canvas.put(x, y, BLACK)
    return canvas, opaque


# --- File formats --------------------------------------------------------


def palette_bytes():
    return b"".join(struct.pack("<BBBB", blue, green, red, 0) for (red, green, blue) in PALETTE)


def packed_rows(canvas):
    """4-bit rows, bottom row first, each padded to a multiple of 4 bytes."""
    row_bytes = ((canvas.width * 4 + 31) // 32) * 4
    data = bytearray()
    for y in reversed(range(canvas.height)):
        row = bytearray(row_bytes)
        for x in range(canvas.width):
            index = canvas.get(x, y)
            if x % 2 == 0:
                row[x // 2] |= index << 4
            else:
                row[x // 2] |= index
        data += row
    return bytes(data)


def mask_rows(size, opaque):
    """1-bit AND mask, bottom row first: 1 where the background shows."""
    row_bytes = ((size + 31) // 32) * 4
    data = bytearray()
    for y in reversed(range(size)):
        row = bytearray(row_bytes)
        for x in range(size):
            if (x, y) not in opaque:
                row[x // 8] |= 0x80 >> (x % 8)
        data += row
    return bytes(data)


def info_header(width, height, image_size):
    # BITMAPINFOHEADER; an icon's height counts the colour and mask halves.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 0)


def bmp_file(canvas):
    pixels = packed_rows(canvas)
    header = info_header(canvas.width, canvas.height, len(pixels))
    offset = 14 + len(header) + 16 * 4
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + header + palette_bytes() + pixels


def ico_file(canvas, opaque):
    size = canvas.width
    # The colour bits are black where the mask lets the background through.
    for y in range(size):
        for x in range(size):
            if (x, y) not in opaque:
                canvas.put(x, y, BLACK)
    colour = packed_rows(canvas)
    mask = mask_rows(size, opaque)
    image = info_header(size, size * 2, len(colour) + len(mask)) + palette_bytes() + colour + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def build_outputs():
    icon, opaque = draw_attention_icon()
    return {
        "printer.bmp": bmp_file(draw_printer_picture()),
        "attention.ico": ico_file(icon, opaque),
    }


def main():
    resources = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="compare with the files on disk instead of writing")
    parser.add_argument("--out", default=resources, help="folder to write to (default: resources/)")
    options = parser.parse_args()

    changed = []
    for name, data in build_outputs().items():
        path = os.path.join(options.out, name)
        if options.check:
            try:
                with open(path, "rb") as existing:
                    if existing.read() != data:
                        changed.append(path)
            except FileNotFoundError:
                changed.append(path)
        else:
            with open(path, "wb") as output:
                output.write(data)
    if changed:
        print("differs from a fresh drawing: " + ", ".join(changed), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
