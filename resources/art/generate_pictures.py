#!/usr/bin/env python3
"""Draws the two pictures of the paper-check dialog and writes them as
resources/printer.bmp (bitmap 153, the 100 % drawing), resources/printer-NNN.bmp
(the same drawing made for NNN % displays, run-length encoded) and
resources/attention.ico (icon 146, one image per size the platform asks for).

Plain Python 3, standard library only. The output is deterministic, so the
committed files can be checked against a fresh run:

    python3 resources/art/generate_pictures.py            # rewrite every file
    python3 resources/art/generate_pictures.py --check    # compare, exit 1 on change
    python3 resources/art/generate_pictures.py --out DIR  # write into DIR instead
"""

import argparse
import math
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
# The display scales (percent) the printer is drawn for; each one above 100
# is a bitmap of its own in paperchk.rc (IDB_PRINTER_NNN in resource_ids.h).
PRINTER_SCALES = (100, 125, 150, 200)
ICON_SIZE = 32
# The icon sizes asked for at 100 % to 200 % (small and large icons); the
# 32 x 32 image is the original drawing.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64)


class Canvas:
    """A grid of palette indices. Coordinates name pixel centres.

    The drawing primitives (line, polygon, dot) take the coordinates of the
    100 % drawing; at another `scale` they map them and draw strokes as wide
    as one 100 % pixel has become. At scale 1 they are plain pixel drawing.
    """

    def __init__(self, width, height, background, scale=1):
        self.width = width
        self.height = height
        self.scale = scale
        self.pixels = [[background] * width for _ in range(height)]

    def at(self, point):
        """Where a pixel centre of the 100 % drawing lands on this canvas."""
        if self.scale == 1:
            return point
        x, y = point
        return ((x + 0.5) * self.scale - 0.5, (y + 0.5) * self.scale - 0.5)

    def stroke_width(self):
        """A 100 % pixel's width in whole pixels, at least one."""
        return max(1, int(self.scale + 0.5))

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def get(self, x, y):
        return self.pixels[y][x]

    def fill(self, mask, colour):
        for (x, y) in mask:
            self.put(x, y, colour)

    def line(self, start, end, colour):
        """A one-pixel line of the 100 % drawing, both ends included."""
        if self.scale != 1:
            self.fill(stroke_mask(self.at(start), self.at(end), self.scale, self.width, self.height), colour)
            return
        # Bresenham between the two pixel centres.
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
        self.fill(polygon_mask([self.at(p) for p in points], self.width, self.height), fill)
        if edge is not None:
            self.outline(points, edge)

    def dot(self, x, y, colour):
        """One pixel of the 100 % drawing: a square as wide as a stroke."""
        if self.scale == 1:
            self.put(x, y, colour)
            return
        cx, cy = self.at((x, y))
        half = self.scale / 2
        square = [(cx - half, cy - half), (cx + half, cy - half), (cx + half, cy + half), (cx - half, cy + half)]
        self.fill(polygon_mask(square, self.width, self.height), colour)

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


def stroke_mask(start, end, thickness, width, height):
    """Pixels within thickness / 2 of the segment, ends squared off: the
    wide counterpart of a Bresenham line with both ends included."""
    (x0, y0), (x1, y1) = start, end
    length = math.hypot(x1 - x0, y1 - y0)
    half = thickness / 2
    if length == 0:
        ux, uy = 1.0, 0.0
    else:
        ux, uy = (x1 - x0) / length, (y1 - y0) / length
    nx, ny = -uy * half, ux * half
    ax, ay = x0 - ux * half, y0 - uy * half
    bx, by = x1 + ux * half, y1 + uy * half
    return polygon_mask([(ax + nx, ay + ny), (bx + nx, by + ny), (bx - nx, by - ny), (ax - nx, ay - ny)], width, height)


def ellipse_mask(cx, cy, rx, ry, width, height):
    mask = set()
    for y in range(height):
        for x in range(width):
            if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0:
                mask.add((x, y))
    return mask


def border_of(mask, thickness=1):
    """Pixels of the mask within `thickness` steps of a pixel outside it
    (4-neighbourhood)."""
    border = set()
    inner = set(mask)
    for _ in range(thickness):
        ring = {
            (x, y)
            for (x, y) in inner
            if any(n not in inner for n in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)))
        }
        border |= ring
        inner -= ring
    return border


def grown(mask, steps, width, height):
    """The mask grown by `steps` pixels (8-neighbourhood), within the canvas."""
    result = set(mask)
    for _ in range(steps):
        result |= {
            (x + dx, y + dy)
            for (x, y) in result
            for dx in (-1, 0, 1)
            for dy in (-1, 0, 1)
            if 0 <= x + dx < width and 0 <= y + dy < height
        }
    return result


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
    canvas.dot(*iso(width - 3, depth - 3, height), GREY)
    canvas.dot(*iso(width - 5, depth - 3, height), GREY)
    lamp_x, lamp_y = iso(width - 3, depth - 6, height)
    canvas.dot(lamp_x, lamp_y, LIME)
    canvas.dot(lamp_x + 1, lamp_y, LIME)

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


def in_question_mark(u, v):
    """The red of the question mark, in the 100 % drawing's coordinates: a
    hook, a slanted neck, a short stem and a dot (QUESTION_MARK's shape)."""
    dx, dy = u - 22.0, v - 14.5
    if 2.8 <= math.hypot(dx, dy) <= 5.6 and (dy <= -1.0 or (dx > 0 and dy <= 1.5)):
        return True
    # The neck, from the hook's right-hand end down to the stem.
    ax, ay, bx, by = 25.2, 15.2, 22.0, 19.0
    t = max(0.0, min(1.0, ((u - ax) * (bx - ax) + (v - ay) * (by - ay)) / ((bx - ax) ** 2 + (by - ay) ** 2)))
    if math.hypot(u - (ax + t * (bx - ax)), v - (ay + t * (by - ay))) <= 1.6:
        return True
    if abs(u - 22.0) <= 1.5 and 18.5 <= v <= 21.5:
        return True
    return math.hypot(u - 22.0, v - 25.5) <= 1.8


def draw_question_mark(canvas):
    """The question mark drawn afresh at the canvas's scale: red, edged in
    dark red as wide as a stroke."""
    scale = canvas.scale
    red = {
        (x, y)
        for y in range(int(6 * scale), int(30 * scale) + 1)
        for x in range(int(14 * scale), int(31 * scale) + 1)
        if x < canvas.width and y < canvas.height and in_question_mark((x + 0.5) / scale - 0.5, (y + 0.5) / scale - 0.5)
    }
    canvas.fill(grown(red, canvas.stroke_width(), canvas.width, canvas.height), DARK_RED)
    canvas.fill(red, RED)


def draw_bubble(canvas):
    """The printer asks: a speech bubble in the free corner, its tail
    pointing at the printer's lid."""
    width, height, scale = canvas.width, canvas.height, canvas.scale
    cx, cy = canvas.at((22.5, 18.5))
    bubble = ellipse_mask(cx, cy, 20.5 * scale, 16.5 * scale, width, height)
    tail = polygon_mask([canvas.at(p) for p in ((28, 31), (37, 28), (46, 42))], width, height)
    shape = bubble | tail
    canvas.fill(shape, WHITE)
    canvas.fill(border_of(shape, canvas.stroke_width()), BLACK)
    # A soft shadow on the lower right of the bubble.
    offset = int(2 * scale + 0.5)
    shadow = {(x + offset, y + offset) for (x, y) in bubble} - shape
    canvas.fill({p for p in shadow if p[0] < width and p[1] < height}, GREY)
    if scale == 1:
        canvas.glyph(16, 9, QUESTION_MARK, {"#": DARK_RED, "R": RED})
    else:
        draw_question_mark(canvas)


def scaled_size(size, percent):
    return (size * percent + 50) // 100


def draw_printer_picture(percent=100):
    width, height = PRINTER_SIZE
    canvas = Canvas(scaled_size(width, percent), scaled_size(height, percent), background=WHITE, scale=percent / 100)
    draw_printer(canvas)
    draw_bubble(canvas)
    return canvas


# --- Icon 146: the attention sign -------------------------------------------


def draw_attention_icon(size=ICON_SIZE):
    """Yellow warning triangle with a black exclamation mark; the mask is the
    set of opaque pixels. Measures are those of the 32 x 32 drawing, scaled."""
    k = size / ICON_SIZE
    canvas = Canvas(size, size, background=BLACK)
    # Pixel centres of the 32 x 32 drawing map to (c + 0.5) * k - 0.5.
    apex = 16.0 * k - 0.5
    base_y = 29.5 * k - 0.5
    top_y = 1.5 * k - 0.5
    half_base = 15.0 * k
    edge = max(1.1, 1.6 * k)  # the black edge stays at least a pixel wide
    rim = edge + k

    def inside(x, y, inset):
        # Distance inside each of the three edges, measured perpendicular.
        if y > base_y - inset:
            return False
        slope_run = half_base / (base_y - top_y)  # half-width grows per pixel down
        half = (y - top_y) * slope_run
        norm = (1.0 + slope_run * slope_run) ** 0.5
        return abs(x - apex) <= half - inset * norm

    opaque = set()
    for y in range(size):
        for x in range(size):
            if inside(x, y, 0.0):
                opaque.add((x, y))
                canvas.put(x, y, BLACK)
            if inside(x, y, edge):
                canvas.put(x, y, YELLOW)
    # A darker inner rim along the right-hand edge and base gives the sign
    # some depth.
    for (x, y) in opaque:
        if canvas.get(x, y) == YELLOW and not inside(x, y, rim) and (x > apex or y > base_y - 3 * k):
            canvas.put(x, y, OLIVE)
    if size == ICON_SIZE:
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
    # The same mark at another size, sampled in the 32 x 32 drawing's
    # coordinates: a bar whose half-width falls from 2 to 1 over its foot,
    # and a dot of radius 2. Below 32 pixels the bar starts lower, clear of
    # the black apex.
    bar_top = 8.5 if k > 1 else 12.5
    for y in range(size):
        for x in range(size):
            u, v = (x + 0.5) / k - 0.5, (y + 0.5) / k - 0.5
            half = 2.0 if v < 17.5 else 1.0
            if (bar_top <= v < 20.5 and abs(u - 15.5) <= half + 0.5) or math.hypot(u - 15.5, v - 24.5) <= 2.0:
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


def info_header(width, height, image_size, compression=0):
    # BITMAPINFOHEADER; an icon's height counts the colour and mask halves.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, compression, image_size, 0, 0, 16, 0)


BI_RLE4 = 2


def rle4_row(row):
    """The shortest encoding of one row in the 4-bit run-length format, found
    by dynamic programming over where pieces end. A piece is either a run
    (a count and two colours, which alternate: a run of one colour repeats
    it) or an absolute stretch (three to 255 pixels, two to a byte, padded
    to a 16-bit boundary). Pieces end where the colour changes (or a pixel
    later), which is where a shorter encoding can start."""
    n = len(row)
    changes = [i for i in range(1, n) if row[i] != row[i - 1]] + [n]
    cost = [0] * (n + 1)
    choice = [None] * (n + 1)
    for i in reversed(range(n)):
        first, second = row[i], row[i + 1] if i + 1 < n else row[i]
        alternating = 1
        while i + alternating < n and alternating < 255 and row[i + alternating] == (first, second)[alternating % 2]:
            alternating += 1
        ends = {i + 1, i + alternating}
        for change in changes:
            if change > i + 255:
                break
            if change > i:
                ends.update((change, min(n, change + 1)))
        best = None
        for end in sorted(ends):
            length = end - i
            if length <= alternating:
                option = (2 + cost[end], "run", end)
                if best is None or option[0] < best[0]:
                    best = option
            if 3 <= length <= 255:
                packed = (length + 1) // 2
                option = (2 + packed + packed % 2 + cost[end], "absolute", end)
                if option[0] < best[0]:
                    best = option
        cost[i], choice[i] = best[0], best[1:]
    out = bytearray()
    i = 0
    while i < n:
        kind, end = choice[i]
        piece = row[i:end]
        if kind == "run":
            out.extend(bytes([len(piece), (piece[0] << 4) | (piece[1] if len(piece) > 1 else 0)]))
        else:
            packed = bytearray((piece[j] << 4) | (piece[j + 1] if j + 1 < len(piece) else 0)
                               for j in range(0, len(piece), 2))
            if len(packed) % 2:
                packed.append(0)
            out.extend(bytes([0, len(piece)]) + packed)
        i = end
    return bytes(out)


def rle4_pixels(canvas):
    """The whole image, bottom row first: each row ends with end-of-line,
    the last with end-of-bitmap."""
    rows = [rle4_row([canvas.get(x, y) for x in range(canvas.width)]) for y in reversed(range(canvas.height))]
    return b"\x00\x00".join(rows) + b"\x00\x01"


def bmp_file(canvas, compressed=False):
    pixels = rle4_pixels(canvas) if compressed else packed_rows(canvas)
    header = info_header(canvas.width, canvas.height, len(pixels), BI_RLE4 if compressed else 0)
    offset = 14 + len(header) + 16 * 4
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + header + palette_bytes() + pixels


def icon_image(canvas, opaque):
    size = canvas.width
    # The colour bits are black where the mask lets the background through.
    for y in range(size):
        for x in range(size):
            if (x, y) not in opaque:
                canvas.put(x, y, BLACK)
    colour = packed_rows(canvas)
    mask = mask_rows(size, opaque)
    return info_header(size, size * 2, len(colour) + len(mask)) + palette_bytes() + colour + mask


def ico_file(images):
    """An icon file of (size, image) pairs, in the order given."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, image in images:
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(image for _, image in images)


def build_outputs():
    outputs = {"printer.bmp": bmp_file(draw_printer_picture())}
    for percent in PRINTER_SCALES[1:]:
        outputs["printer-%d.bmp" % percent] = bmp_file(draw_printer_picture(percent), compressed=True)
    outputs["attention.ico"] = ico_file([(size, icon_image(*draw_attention_icon(size))) for size in ICON_SIZES])
    return outputs


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
