#!/usr/bin/env python3
"""Writes the program's icon (ui/win32/uploader.ico) from our PNG pictures:
32 x 32 and 16 x 16, each in 32-bit colour with alpha and in 8-bit colour with a
transparency mask. Run once; the icon it wrote is committed.

    python3 ui/win32/tools/make_icon.py ui/qt/images ui/win32/uploader.ico
"""
import struct
import sys
import zlib


def read_png(path):
    """An 8-bit RGBA, non-interlaced PNG as (width, height, rows of (r, g, b, a))."""
    data = open(path, 'rb').read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n', path
    pos, idat = 8, b''
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
            assert depth == 8 and colour == 6 and interlace == 0, 'only 8-bit RGBA, not interlaced'
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 4
    rows, prior = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prior[i]
            c = prior[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * 4:x * 4 + 4]) for x in range(width)])
        prior = line
    return width, height, rows


def and_mask(width, rows, transparent):
    stride = ((width + 31) // 32) * 4
    out = b''
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, px in enumerate(row):
            if transparent(px):
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def header(width, height, bits, colours=0):
    size = width * height * bits // 8
    return struct.pack('<IiiHHIIiiII', 40, width, height * 2, 1, bits, 0, size, 0, 0, colours, 0)


def image32(width, height, rows):
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    return header(width, height, 32) + pixels + and_mask(width, rows, lambda p: p[3] == 0)


def palette_for(rows):
    """At most 255 colours: the most used 5-bit buckets, each its average colour."""
    buckets = {}
    for row in rows:
        for r, g, b, a in row:
            if a >= 128:
                key = (r >> 3, g >> 3, b >> 3)
                n, sr, sg, sb = buckets.get(key, (0, 0, 0, 0))
                buckets[key] = (n + 1, sr + r, sg + g, sb + b)
    best = sorted(buckets.values(), key=lambda v: -v[0])[:255]
    return [(0, 0, 0)] + [(sr // n, sg // n, sb // n) for n, sr, sg, sb in best]


def image8(width, height, rows):
    palette = palette_for(rows)
    nearest = {}

    def index(px):
        if px[3] < 128:
            return 0
        key = px[:3]
        if key not in nearest:
            nearest[key] = min(range(1, len(palette)),
                               key=lambda i: sum((palette[i][k] - key[k]) ** 2 for k in range(3)))
        return nearest[key]

    stride = (width + 3) // 4 * 4
    pixels = b''
    for row in reversed(rows):
        line = bytes(index(px) for px in row)
        pixels += line + bytes(stride - width)
    table = b''.join(bytes((b, g, r, 0)) for r, g, b in palette) + bytes(4 * (256 - len(palette)))
    return header(width, height, 8, 256) + table + pixels + and_mask(width, rows, lambda p: p[3] < 128)


def main(folder, out):
    images = []
    for name in ('icon32.png', 'icon16.png'):
        width, height, rows = read_png(f'{folder}/{name}')
        images.append((width, height, 32, image32(width, height, rows)))
        images.append((width, height, 8, image8(width, height, rows)))
    blob = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for width, height, bits, body in images:
        blob += struct.pack('<BBBBHHII', width, height, 0, 0, 1, bits, len(body), offset)
        offset += len(body)
    blob += b''.join(body for *_, body in images)
    open(out, 'wb').write(blob)


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
