#!/usr/bin/env python3
"""make_ico.py OUT.ico PNG...: packs square PNG icons into one Windows .ico file.

Each picture is stored as PNG inside the .ico (Windows Vista and later read that), so the icon
drawn for the desktop's icon theme (zell-make-icon) is the Windows icon too.
"""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise SystemExit("not a PNG file")
    return struct.unpack(">II", data[16:24])


def main():
    out, pngs = sys.argv[1], sys.argv[2:]
    images = [open(p, "rb").read() for p in pngs]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for data in images:
        w, h = png_size(data)
        if w > 256 or h > 256:
            raise SystemExit("an icon is at most 256 pixels wide")
        # 0 stands for 256 in the one-byte width and height.
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        blobs += data
    with open(out, "wb") as f:
        f.write(header + entries + blobs)


if __name__ == "__main__":
    main()
