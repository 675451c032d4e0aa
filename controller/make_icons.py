"""Writes Controller's icons (32-bit .ico files, 16x16 and 32x32 images) into a folder:
program.ico, a blue disc with a white T; status_ok.ico green, status_nok.ico red and
status_und.ico amber discs, the colours of the agent's state in the notification area.

    make_icons.py <output folder>
"""
import pathlib
import struct
import sys

COLOURS = {
    "status_ok": (0x22, 0xB1, 0x4C),
    "status_nok": (0xE0, 0x1E, 0x1E),
    "status_und": (0xFF, 0xB0, 0x00),
    "program": (0x1E, 0x5A, 0xC8),
}
SIZES = (16, 32)
WHITE = (0xFF, 0xFF, 0xFF)


def darker(colour):
    return tuple(c * 3 // 5 for c in colour)


def disc(size, colour, letter_t):
    """Rows top first of (r, g, b, a): a disc with a darker rim, transparent outside."""
    centre = (size - 1) / 2
    radius = size / 2 - 0.5
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d = ((x - centre) ** 2 + (y - centre) ** 2) ** 0.5
            if d > radius:
                row.append((0, 0, 0, 0))
                continue
            rgb = darker(colour) if d > radius - max(1, size // 16) else colour
            if letter_t and is_letter_t(x, y, size):
                rgb = WHITE
            row.append(rgb + (0xFF,))
        rows.append(row)
    return rows


def is_letter_t(x, y, size):
    unit = size / 16
    bar = 4 * unit <= y < 6 * unit and 4 * unit <= x < 12 * unit
    stem = 6 * unit <= y < 12 * unit and 7 * unit <= x < 9 * unit
    return bar or stem


def icon_image(rows):
    """One image of an .ico: BITMAPINFOHEADER, BGRA rows bottom first, AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def ico(colour, letter_t):
    images = [icon_image(disc(size, colour, letter_t)) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    folder = pathlib.Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    for name, colour in COLOURS.items():
        (folder / (name + ".ico")).write_bytes(ico(colour, name == "program"))


if __name__ == "__main__":
    main()
