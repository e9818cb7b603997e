#!/usr/bin/env python3
"""Writes the module's binary images: the control icon (32x32 and 16x16,
16 colours), the toolbox bitmap (16x15, 16 colours) and the column-drag
cursor (32x32 monochrome, hot spot 1,1: an arrow above a hollow rectangle).

The generated files are committed next to this script; run it again after
changing a picture:  python3 make_images.py <output directory>
"""
import struct
import sys
from pathlib import Path

# The 16-colour VGA palette, in the order Windows uses for 4-bit images.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_BLUE, SILVER, GREY, BLUE, WHITE = 0, 4, 7, 8, 12, 15


def palette_bytes(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)


def pack_rows(pixels, width, height, bits):
    """Bottom-up rows of palette indices, each padded to 4 bytes."""
    stride = ((width * bits + 31) // 32) * 4
    out = bytearray()
    for y in reversed(range(height)):
        row = bytearray(stride)
        for x in range(width):
            value = pixels[y][x]
            bit = x * bits
            shift = 8 - bits - (bit % 8)
            row[bit // 8] |= (value & ((1 << bits) - 1)) << shift
        out += row
    return bytes(out)


def info_header(width, height, bits, colours, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 0, 0, colours, 0)


def grid_picture(size):
    """A small spreadsheet: a raised header row, a fixed column, white cells,
    grey grid lines and a blue focus cell."""
    cell_w, cell_h = (8, 6) if size == 32 else (4, 3)
    pixels = [[WHITE] * size for _ in range(size)]
    top = 2 if size == 32 else 1
    left = 1 if size == 32 else 0
    right, bottom = size - 2, size - 2
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            row = (y - top) // cell_h
            col = (x - left) // cell_w
            on_line = (y - top) % cell_h == cell_h - 1 or (x - left) % cell_w == cell_w - 1
            if y == top or x == left or y == bottom or x == right:
                pixels[y][x] = BLACK
            elif on_line:
                pixels[y][x] = GREY
            elif row == 0 or col == 0:
                pixels[y][x] = SILVER
            elif row == 2 and col == 2:
                pixels[y][x] = BLUE
    return pixels


def icon_image(size):
    pixels = grid_picture(size)
    xor = pack_rows(pixels, size, size, 4)
    and_mask = pack_rows([[0] * size for _ in range(size)], size, size, 1)
    header = info_header(size, size * 2, 4, 16, len(xor) + len(and_mask))
    return header + palette_bytes(PALETTE) + xor + and_mask


def icon_file(sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def toolbox_bitmap():
    width, height = 16, 15
    pixels = [[SILVER] * width for _ in range(height)]
    for y in range(1, 14):
        for x in range(1, 15):
            if y in (1, 13) or x in (1, 14):
                pixels[y][x] = BLACK
            elif (y - 1) % 4 == 0 or (x - 1) % 5 == 0:
                pixels[y][x] = GREY
            elif y < 5:
                pixels[y][x] = SILVER
            elif x < 6:
                pixels[y][x] = SILVER
            elif y >= 9 and x >= 11:
                pixels[y][x] = BLUE
            else:
                pixels[y][x] = WHITE
    bits = pack_rows(pixels, width, height, 4)
    header = info_header(width, height, 4, 16, len(bits))
    body = header + palette_bytes(PALETTE) + bits
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, 14 + 40 + 64)
    return file_header + body


# The drag cursor: '#' black, '.' white, ' ' transparent. The hot spot is
# the arrow's tip at (1, 1).
DRAG_CURSOR = [
    "                                ",
    " #                              ",
    " ##                             ",
    " #.#                            ",
    " #..#                           ",
    " #...#                          ",
    " #....#                         ",
    " #.....#                        ",
    " #......#                       ",
    " #.......#                      ",
    " #........#                     ",
    " #.....#####                    ",
    " #..#..#                        ",
    " #.# #..#                       ",
    " ##  #..#                       ",
    " #    #..#                      ",
    "      #..#                      ",
    "       ##                       ",
    "                                ",
    "   ####################         ",
    "   #..................#         ",
    "   #.################.#         ",
    "   #.#              #.#         ",
    "   #.#              #.#         ",
    "   #.#              #.#         ",
    "   #.#              #.#         ",
    "   #.################.#         ",
    "   #..................#         ",
    "   ####################         ",
    "                                ",
    "                                ",
    "                                ",
]


def cursor_file(picture, hot_x, hot_y):
    size = len(picture)
    xor_pixels = [[1 if ch == "." else 0 for ch in row] for row in picture]
    and_pixels = [[1 if ch == " " else 0 for ch in row] for row in picture]
    xor = pack_rows(xor_pixels, size, size, 1)
    and_mask = pack_rows(and_pixels, size, size, 1)
    header = info_header(size, size * 2, 1, 2, len(xor) + len(and_mask))
    image = header + palette_bytes([(0, 0, 0), (0xFF, 0xFF, 0xFF)]) + xor + and_mask
    out = struct.pack("<HHH", 0, 2, 1)
    out += struct.pack("<BBBBHHII", size, size, 0, 0, hot_x, hot_y, len(image), 6 + 16)
    return out + image


def main():
    out_dir = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
    out_dir.mkdir(parents=True, exist_ok=True)
    assert all(len(row) == 32 for row in DRAG_CURSOR) and len(DRAG_CURSOR) == 32
    (out_dir / "TzGrid.ico").write_bytes(icon_file([32, 16]))
    (out_dir / "TzGridToolbox.bmp").write_bytes(toolbox_bitmap())
    (out_dir / "DragColumn.cur").write_bytes(cursor_file(DRAG_CURSOR, 1, 1))


if __name__ == "__main__":
    main()
