"""Writes the window icon (one 32 x 32 image, 24 bits per pixel, as the resource has always been)
from a PNG that rsvg-convert rendered from the drawing. Standard library only."""
import struct
import sys
import zlib


def read_png_rgba(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, color, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and color == 6 and interlace == 0, "expects 8-bit RGBA, not interlaced"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 4
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prev[i]
            c = prev[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(bytes(line))
        prev = line
    return width, height, rows


# The icon's own frame colour shows where the drawing's rounded corners leave the square open.
BACKGROUND = (0x1D, 0x4F, 0x91)


def over_background(r, g, b, a):
    return tuple((c * a + bg * (255 - a) + 127) // 255 for c, bg in zip((r, g, b), BACKGROUND))


def write_ico(path, width, height, rows):
    # BGR rows bottom-up, each padded to four bytes, then an all-clear AND mask.
    pixels = b""
    for row in reversed(rows):
        line = b"".join(bytes(reversed(over_background(*row[i:i + 4]))) for i in range(0, len(row), 4))
        pixels += line + b"\0" * (-len(line) % 4)
    mask = b"\0" * (((width + 31) // 32) * 4 * height)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 24, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", width, height, 0, 0, 1, 24, len(image), 22)
    open(path, "wb").write(directory + image)


if __name__ == "__main__":
    write_ico(sys.argv[2], *read_png_rgba(sys.argv[1]))
