#!/usr/bin/env python3
"""pngdiff A.png B.png: compares two 8-bit RGB/RGBA PNG pictures pixel by pixel.

Prints "PIXELS DIFFERING MAXDIFF" (pixels whose channels differ at all, out of
PIXELS; the largest difference of one channel). Exits 0 when they are equal,
1 when they differ, 2 when they cannot be compared.

pngdiff --raw STREAM A.png B.png ...: compares a stream of raw RGB frames (what
a capture feeds ffmpeg) with the pictures, frame by frame: the stream must hold
exactly those frames, in that order. Prints the number of frames compared, or
the first frame that differs."""
import struct
import sys
import zlib


def read_png(path):
    with open(path, 'rb') as f:
        data = f.read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError(path + ': not a PNG file')
    pos, idat, head = 8, b'', None
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b'IHDR':
            head = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
    width, height, depth, colour, _, _, interlace = head
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError(path + ': only 8-bit RGB or RGBA without interlacing')
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
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
        rows.append(bytes(line[k] for k in range(stride) if k % bpp < 3))
        prev = line
    return width, height, b''.join(rows)


def compare_raw(stream, pictures):
    try:
        with open(stream, 'rb') as f:
            data = f.read()
        offset = 0
        for n, path in enumerate(pictures):
            width, height, rgb = read_png(path)
            frame = data[offset:offset + len(rgb)]
            offset += len(rgb)
            if frame != rgb:
                print('pngdiff: frame %d of %s (%s) differs%s' %
                      (n, stream, path, ' (the stream ends)' if len(frame) < len(rgb) else ''), file=sys.stderr)
                return 1
    except (OSError, ValueError, IndexError, zlib.error) as e:
        print('pngdiff:', e, file=sys.stderr)
        return 2
    if offset != len(data):
        print('pngdiff: %s holds %d bytes beyond the %d frames' % (stream, len(data) - offset, len(pictures)),
              file=sys.stderr)
        return 1
    print(len(pictures))
    return 0


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == '--raw':
        return compare_raw(sys.argv[2], sys.argv[3:])
    try:
        wa, ha, a = read_png(sys.argv[1])
        wb, hb, b = read_png(sys.argv[2])
    except (OSError, ValueError, IndexError, zlib.error) as e:
        print('pngdiff:', e, file=sys.stderr)
        return 2
    if (wa, ha) != (wb, hb):
        print('pngdiff: sizes differ: %dx%d and %dx%d' % (wa, ha, wb, hb), file=sys.stderr)
        return 2
    differing = biggest = 0
    for i in range(0, len(a), 3):
        d = max(abs(a[i + k] - b[i + k]) for k in range(3))
        if d:
            differing += 1
            biggest = max(biggest, d)
    print(wa * ha, differing, biggest)
    return 1 if differing else 0


if __name__ == '__main__':
    sys.exit(main())
