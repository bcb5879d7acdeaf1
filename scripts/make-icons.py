#!/usr/bin/env python3
"""Draws Murivane's icons (16x16 and 32x32, 32-bit with alpha) into res/icons.

Run by hand when the pictures change; the .ico files are committed.
  128 waiting   - a framed landscape: sky, sun and hills
  129 disabled  - the same picture in grey, with a pause bar
  130 changing  - the landscape with a turning arrow
  131 fractal   - the frame holding a small Julia set
"""
import math
import os
import struct

SS = 4  # supersampling per axis


def blend(dst, src):
    sr, sg, sb, sa = src
    dr, dg, db, da = dst
    a = sa + da * (1 - sa)
    if a <= 0:
        return (0, 0, 0, 0)
    return ((sr * sa + dr * da * (1 - sa)) / a, (sg * sa + dg * da * (1 - sa)) / a,
            (sb * sa + db * da * (1 - sa)) / a, a)


def frame_geometry(u, v):
    """Returns 'frame', 'inside' or None for unit coordinates (0..1)."""
    m0, m1 = 0.06, 0.94
    if not (m0 <= u <= m1 and 0.14 <= v <= 0.86):
        return None
    if u < m0 + 0.08 or u > m1 - 0.08 or v < 0.22 or v > 0.78:
        return 'frame'
    return 'inside'


def landscape(u, v):
    # inside spans u 0.14..0.86, v 0.22..0.78
    x = (u - 0.14) / 0.72
    y = (v - 0.22) / 0.56
    # sun
    if (x - 0.72) ** 2 + (y - 0.28) ** 2 < 0.022:
        return (1.0, 0.84, 0.2)
    hill1 = 0.62 + 0.18 * math.cos((x - 0.25) * 3.2)
    hill2 = 0.78 + 0.10 * math.cos((x - 0.8) * 4.0)
    if y > hill2:
        return (0.18, 0.55, 0.2)
    if y > hill1:
        return (0.30, 0.70, 0.28)
    t = y
    return (0.35 + 0.3 * t, 0.6 + 0.25 * t, 0.95)


def julia(u, v):
    x = (u - 0.5) * 3.2
    y = (v - 0.5) * 2.2
    c = complex(-0.8, 0.156)
    z = complex(x, y)
    n = 0
    while abs(z) < 2 and n < 40:
        z = z * z + c
        n += 1
    if n >= 40:
        return (0.05, 0.02, 0.15)
    t = math.sqrt(n / 40.0)
    return (min(1.0, 1.6 * t), 0.15 + 0.75 * t * t, 0.45 * (1.0 - t) + 0.1)


def grey(c):
    g = 0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2]
    g = 0.35 + 0.5 * g
    return (g, g, g)


def picture(state, u, v):
    geo = frame_geometry(u, v)
    if geo is None:
        return (0, 0, 0, 0)
    if geo == 'frame':
        c = (0.55, 0.36, 0.18) if state != 129 else (0.45, 0.45, 0.45)
        # bevel: lighter on the top-left edge
        if u < 0.1 or v < 0.18:
            c = tuple(min(1.0, k + 0.18) for k in c)
        if u > 0.9 or v > 0.82:
            c = tuple(k * 0.75 for k in c)
        return c + (1.0,)
    if state == 131:
        return julia((u - 0.14) / 0.72, (v - 0.22) / 0.56) + (1.0,)
    c = landscape(u, v)
    if state == 129:
        c = grey(c)
    return c + (1.0,)


def overlay(state, u, v):
    if state == 129:
        # two pause bars, bottom right
        if 0.60 <= v <= 0.98 and (0.56 <= u <= 0.70 or 0.80 <= u <= 0.94):
            edge = u < 0.58 or (0.68 < u < 0.70) or (0.80 <= u < 0.82) or u > 0.92 or v < 0.62 or v > 0.96
            return (0.1, 0.1, 0.1, 1.0) if edge else (0.95, 0.75, 0.1, 1.0)
    if state == 130:
        # a circular arrow, bottom right
        cx, cy, r = 0.74, 0.76, 0.19
        d = math.hypot(u - cx, v - cy)
        ang = math.atan2(v - cy, u - cx)
        if abs(d - r) < 0.055 and not (-0.9 < ang < 0.1):
            return (0.1, 0.45, 0.9, 1.0) if abs(d - r) < 0.035 else (1.0, 1.0, 1.0, 1.0)
        # arrow head at angle 0.1 .. pointing down
        hx, hy = cx + r, cy - 0.02
        if hy - 0.10 <= v <= hy + 0.12 and abs(u - hx) <= (v - (hy - 0.10)) * 0.55 and v <= hy + 0.02:
            return (0.1, 0.45, 0.9, 1.0)
    return None


def render(state, size):
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    u = (px + (sx + 0.5) / SS) / size
                    v = (py + (sy + 0.5) / SS) / size
                    c = picture(state, u, v)
                    o = overlay(state, u, v)
                    if o is not None:
                        c = blend(c, o)
                    acc[0] += c[0] * c[3]
                    acc[1] += c[1] * c[3]
                    acc[2] += c[2] * c[3]
                    acc[3] += c[3]
            n = SS * SS
            a = acc[3] / n
            if a > 0:
                r, g, b = acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3]
            else:
                r = g = b = 0
            row.append(tuple(max(0, min(255, int(round(k * 255)))) for k in (b, g, r, a)))
        pixels.append(row)
    return pixels


def icon_image(pixels):
    size = len(pixels)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes(p) for row in reversed(pixels) for p in row)
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(pixels):
        bits = 0
        out = bytearray(mask_row_bytes)
        for x, p in enumerate(row):
            if p[3] == 0:
                out[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(out)
    return header + xor + mask


def write_ico(path, images):
    count = len(images)
    out = struct.pack('<HHH', 0, 1, count)
    offset = 6 + 16 * count
    blobs = []
    for size, blob in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    with open(path, 'wb') as f:
        f.write(out + b''.join(blobs))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(here, '..', 'res', 'icons')
    os.makedirs(out, exist_ok=True)
    for state in (128, 129, 130, 131):
        images = [(s, icon_image(render(state, s))) for s in (16, 32)]
        write_ico(os.path.join(out, 'tray%d.ico' % state), images)
    images = [(s, icon_image(render(128, s))) for s in (16, 32, 48)]
    write_ico(os.path.join(out, 'Murivane.ico'), images)


if __name__ == '__main__':
    main()
