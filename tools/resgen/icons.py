"""The program icon (a UPS tower with a power bolt) and the list-row icon (a
controller box with a status light), written as .ico files.

Each drawing names colour roles; every colour depth gives the roles its own
colours, so the 16-colour images use the standard palette cleanly.
"""

import struct

from dib import bitmap_info_header
from geometry import inside_polygon

# Standard 16-colour palette, in its usual order.
VGA_PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
               (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
               (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]

TRUE_COLOURS = {
    "outline": (36, 40, 48),
    "body": (150, 160, 174),
    "highlight": (214, 220, 228),
    "shade": (104, 112, 126),
    "panel": (58, 64, 76),
    "screen": (28, 92, 96),
    "screen_text": (120, 230, 200),
    "bolt": (250, 196, 32),
    "bolt_edge": (150, 96, 0),
    "led": (40, 210, 70),
    "port": (24, 24, 28),
}

VGA_COLOURS = {
    "outline": (0, 0, 0),
    "body": (192, 192, 192),
    "highlight": (255, 255, 255),
    "shade": (128, 128, 128),
    "panel": (128, 128, 128),
    "screen": (0, 128, 128),
    "screen_text": (0, 255, 255),
    "bolt": (255, 255, 0),
    "bolt_edge": (128, 128, 0),
    "led": (0, 255, 0),
    "port": (0, 0, 0),
}


class Canvas:
    """A square picture of colour roles; None is transparent."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[None] * size for _ in range(size)]

    def fill_rect(self, left, top, right, bottom, role):
        """Fills columns left..right-1 and rows top..bottom-1."""
        for y in range(top, bottom):
            for x in range(left, right):
                self.pixels[y][x] = role

    def framed_rect(self, left, top, right, bottom, fill, frame="outline"):
        self.fill_rect(left, top, right, bottom, frame)
        self.fill_rect(left + 1, top + 1, right - 1, bottom - 1, fill)

    def fill_polygon(self, polygon, role):
        for y in range(self.size):
            for x in range(self.size):
                if inside_polygon(x + 0.5, y + 0.5, polygon):
                    self.pixels[y][x] = role


def shifted(polygon, offset):
    return [(x + offset, y + offset) for x, y in polygon]


BOLT_32 = [(18.0, 11.0), (11.5, 20.0), (15.5, 20.0), (12.5, 28.0), (21.5, 17.0), (17.5, 17.0), (21.5, 11.0)]
# At 16 pixels the bolt is a zigzag of runs: (row, first column, last column + 1).
BOLT_16_RUNS = [(5, 8, 10), (6, 7, 9), (7, 6, 8), (8, 6, 10), (9, 8, 10), (10, 7, 9), (11, 7, 8), (12, 6, 7)]


def draw_ups(size):
    """A UPS tower: shaded body, status screen, power bolt and a green light."""
    canvas = Canvas(size)
    if size == 32:
        canvas.framed_rect(7, 1, 25, 31, "body")
        canvas.fill_rect(8, 2, 10, 30, "highlight")
        canvas.fill_rect(22, 2, 24, 30, "shade")
        canvas.framed_rect(10, 4, 22, 9, "screen", frame="panel")
        canvas.fill_rect(12, 6, 17, 7, "screen_text")
        canvas.fill_polygon(BOLT_32, "bolt_edge")
        canvas.fill_polygon(shifted(BOLT_32, -0.7), "bolt")
        canvas.fill_rect(18, 26, 20, 28, "led")
    else:
        canvas.framed_rect(3, 0, 13, 16, "body")
        canvas.fill_rect(4, 1, 5, 15, "highlight")
        canvas.fill_rect(11, 1, 12, 15, "shade")
        canvas.fill_rect(5, 2, 11, 4, "screen")
        for row, first, end in BOLT_16_RUNS:
            canvas.fill_rect(first, row, end, row + 1, "bolt")
        canvas.fill_rect(9, 13, 10, 14, "led")
    return canvas


def draw_controller():
    """A 16x16 controller box seen from the front: status light, vents, network port."""
    canvas = Canvas(16)
    canvas.framed_rect(0, 4, 16, 12, "body")
    canvas.fill_rect(1, 5, 15, 6, "highlight")
    canvas.fill_rect(1, 10, 15, 11, "shade")
    canvas.fill_rect(2, 7, 4, 9, "led")
    for x in (6, 8):
        canvas.fill_rect(x, 7, x + 1, 9, "panel")
    canvas.fill_rect(11, 7, 14, 10, "port")
    canvas.fill_rect(2, 12, 4, 13, "outline")
    canvas.fill_rect(12, 12, 14, 13, "outline")
    return canvas


def palette_for(bit_count):
    """The 16 standard colours, then for 256 colours a 6x6x6 cube and the drawing's own colours."""
    if bit_count == 4:
        return list(VGA_PALETTE)
    palette = list(VGA_PALETTE)
    levels = (0, 51, 102, 153, 204, 255)
    palette += [(r, g, b) for r in levels for g in levels for b in levels]
    palette += [colour for colour in TRUE_COLOURS.values() if colour not in palette]
    grey = 8
    while len(palette) < 256:
        if (grey, grey, grey) not in palette:
            palette.append((grey, grey, grey))
        grey += 8
    return palette


def encode_image(canvas, bit_count):
    """One icon image: BITMAPINFOHEADER, palette, colour bits and AND mask, both bottom-up."""
    colours = VGA_COLOURS if bit_count == 4 else TRUE_COLOURS
    palette = palette_for(bit_count)
    size = canvas.size
    colour_stride = (size * bit_count + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    colour_bits = bytearray()
    mask_bits = bytearray()
    for row in reversed(canvas.pixels):
        indices = [0 if role is None else palette.index(colours[role]) for role in row]
        if bit_count == 4:
            packed = bytes(indices[i] << 4 | indices[i + 1] for i in range(0, size, 2))
        else:
            packed = bytes(indices)
        colour_bits += packed.ljust(colour_stride, b"\0")
        mask = 0
        for role in row:
            mask = mask << 1 | (role is None)
        mask_bits += mask.to_bytes(size // 8, "big").ljust(mask_stride, b"\0")
    # The height counts the colour bits and the mask.
    header = bitmap_info_header(size, size * 2, bit_count, len(colour_bits) + len(mask_bits))
    palette_bytes = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + palette_bytes + bytes(colour_bits) + bytes(mask_bits)


def build_ico(images):
    """images: (canvas, bit count) pairs, in directory order."""
    encoded = [(canvas.size, bit_count, encode_image(canvas, bit_count)) for canvas, bit_count in images]
    directory = struct.pack("<HHH", 0, 1, len(encoded))
    offset = len(directory) + 16 * len(encoded)
    entries = b""
    for size, bit_count, data in encoded:
        colour_count = 1 << bit_count if bit_count < 8 else 0
        entries += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bit_count, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(data for _, _, data in encoded)


def build_program_icon():
    small, large = draw_ups(16), draw_ups(32)
    return build_ico([(small, 4), (large, 4), (small, 8), (large, 8)])


def build_controller_icon():
    return build_ico([(draw_controller(), 8)])
