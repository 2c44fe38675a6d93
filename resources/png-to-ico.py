#!/usr/bin/env python3
"""Writes a Windows icon file (argument 1) holding the PNG images named after it, each stored as
PNG, which Windows reads since Vista. Each image's size is read from its own header."""

import struct
import sys

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
RGBA = 6


def png_image(path):
    with open(path, "rb") as file:
        data = file.read()
    if data[:8] != PNG_SIGNATURE or data[12:16] != b"IHDR":
        sys.exit(f"{path}: not a PNG image")
    width, height, depth, colour_type = struct.unpack(">IIBB", data[16:26])
    # The directory entry states 32 bits per pixel, which only 8-bit RGBA is.
    if depth != 8 or colour_type != RGBA:
        sys.exit(f"{path}: not 8-bit RGBA")
    if not (0 < width <= 256 and 0 < height <= 256):
        sys.exit(f"{path}: {width} x {height} is larger than an icon may be")
    return width, height, data


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: png-to-ico.py OUTPUT.ico IMAGE.png...")
    images = [png_image(path) for path in sys.argv[2:]]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for width, height, data in images:
        # 256 does not fit the entry's byte and is written as 0.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data),
                               offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as file:
        file.write(header + entries + b"".join(data for _, _, data in images))


if __name__ == "__main__":
    main()
