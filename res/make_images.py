#!/usr/bin/env python3
"""Draws the toolbar strips (5 images each, at 16, 20, 24 and 32 pixels, magenta = transparent)
and the program icon (16 to 256 pixels).

Run from this folder; writes toolbar16.bmp ... toolbar32.bmp and sorvik.ico. The images are simple pixel art
kept as code so they can be changed and redrawn.
"""
import struct

MAGENTA = (255, 0, 255)


def canvas(w, h, fill):
    return [[fill for _ in range(w)] for _ in range(h)]


def rect(img, x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = c


def line(img, x0, y0, x1, y1, c, width=1):
    n = max(abs(x1 - x0), abs(y1 - y0)) or 1
    for i in range(n + 1):
        x = round(x0 + (x1 - x0) * i / n)
        y = round(y0 + (y1 - y0) * i / n)
        for dy in range(width):
            for dx in range(width):
                if 0 <= y + dy < len(img) and 0 <= x + dx < len(img[0]):
                    img[y + dy][x + dx] = c


def toolbar(size=16):
    """The five images, drawn on a 16-unit grid scaled to `size` pixels each."""
    k = size / 16.0
    img = canvas(5 * size, size, MAGENTA)

    def r(ox, x0, y0, x1, y1, c):
        rect(img, ox * size + round(x0 * k), round(y0 * k), ox * size + round((x1 + 1) * k) - 1,
             round((y1 + 1) * k) - 1, c)

    def ln(ox, x0, y0, x1, y1, c):
        line(img, ox * size + round(x0 * k), round(y0 * k), ox * size + round(x1 * k), round(y1 * k), c,
             max(1, round(k)))

    # 0 Start: a green triangle pointing right.
    for y in range(round(2 * k), round(14 * k)):
        half = min(y - 2 * k, 14 * k - 1 - y)
        rect(img, round(4 * k), y, round(4 * k + 2 * half), y, (0, 150, 40))
    # 1 Stop: a red square.
    r(1, 3, 3, 12, 12, (200, 30, 30))
    r(1, 4, 4, 11, 11, (235, 70, 60))
    # 2 Clear: an eraser, a slanted pink block with a dark edge.
    for i in range(8):
        r(2, 3 + i, 10 - i, 7 + i, 12 - i, (240, 150, 170))
    ln(2, 3, 12, 14, 12, (90, 90, 90))
    # 3 File properties: a page with lines.
    r(3, 3, 1, 12, 14, (80, 80, 80))
    r(3, 4, 2, 11, 13, (255, 255, 255))
    for y in (4, 7, 10):
        ln(3, 5, y, 10, y, (40, 90, 200))
    # 4 Pause: two blue bars.
    r(4, 4, 3, 6, 12, (30, 80, 200))
    r(4, 9, 3, 11, 12, (30, 80, 200))
    return img


def write_bmp(path, img):
    h, w = len(img), len(img[0])
    stride = (w * 3 + 3) & ~3
    data = b""
    for row in reversed(img):
        line_bytes = b"".join(bytes((b, g, r)) for (r, g, b) in row)
        data += line_bytes + b"\0" * (stride - w * 3)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    open(path, "wb").write(header + info + data)


def icon_image(size):
    """A magnifying glass over a page, with an alpha channel."""
    img = canvas(size, size, None)
    s = size / 32.0
    page, edge = (250, 250, 245), (90, 90, 110)
    rect(img, int(4 * s), int(2 * s), int(22 * s), int(28 * s), edge)
    rect(img, int(5 * s), int(3 * s), int(21 * s), int(27 * s), page)
    for y in (7, 11, 15):
        line(img, int(8 * s), int(y * s), int(18 * s), int(y * s), (120, 140, 190))
    cx, cy, r = 17 * s, 16 * s, 7 * s
    for y in range(size):
        for x in range(size):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            if d <= r - 1.6 * s:
                img[y][x] = (170, 210, 240)
            elif d <= r:
                img[y][x] = (30, 60, 140)
    line(img, int(22 * s), int(21 * s), int(29 * s), int(28 * s), (30, 60, 140), max(2, int(3 * s)))
    return img


def write_ico(path, sizes):
    images = []
    for size in sizes:
        img = icon_image(size)
        pixels = b""
        for row in reversed(img):
            pixels += b"".join(bytes((c[2], c[1], c[0], 255)) if c else b"\0\0\0\0" for c in row)
        mask_stride = ((size + 31) // 32) * 4
        mask = b"\0" * (mask_stride * size)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
        images.append((size, header + pixels + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)  # 256 is written 0
        offset += len(data)
    for _, data in images:
        out += data
    open(path, "wb").write(out)


if __name__ == "__main__":
    # One strip per size the window chooses by its DPI (100%, 125%, 150%, 200%).
    for size in (16, 20, 24, 32):
        write_bmp("toolbar%d.bmp" % size, toolbar(size))
    write_ico("sorvik.ico", [16, 20, 24, 32, 40, 48, 64, 256])
