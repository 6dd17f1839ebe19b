"""Byte-stable writers of 24-bit PNG files and a 32-bit icon."""

import struct
import zlib


def png_bytes(canvas):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    for row in canvas.rows:
        raw.append(0)  # no filter
        for pixel in row:
            raw.extend(pixel)
    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def ico_bytes(canvas):
    """One 32-bit image; pixels of the key colour are transparent."""
    size = canvas.width
    pixels = bytearray()
    for row in reversed(canvas.rows):  # bottom-up
        for (r, g, b) in row:
            alpha = 0 if (r, g, b) == (255, 0, 255) else 255
            pixels.extend((b, g, r, alpha))
    mask = bytes(((size + 31) // 32) * 4 * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0,
                       0, 0)
    image = info + bytes(pixels) + mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return header + entry + image
