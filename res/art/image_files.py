"""Writers for the file formats the resources use: BMP (24-bit and 4-bit), ICO (32-bit with alpha and
8-bit with a mask) and, for looking at the pictures, PNG."""
import struct
import zlib


def to_bytes(value):
    return max(0, min(255, int(round(value))))


def rgb_rows(canvas):
    return [[tuple(to_bytes(c) for c in px) for px in row] for row in canvas.pixels]


def _bmp_file(info_header, palette, bits):
    offset = 14 + len(info_header) + len(palette)
    return struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset) + info_header + palette + bits


def _info_header(width, height, bpp, image_size, colours=0):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, 0, image_size, 2835, 2835, colours, 0)


def _rows_24(rows):
    out = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b'\0' * (-len(line) % 4)
        out += line
    return bytes(out)


def bmp24(canvas):
    rows = rgb_rows(canvas)
    bits = _rows_24(rows)
    return _bmp_file(_info_header(canvas.width, canvas.height, 24, len(bits)), b'', bits)


def nearest_index(palette, colour):
    return min(range(len(palette)), key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def bmp4(canvas, palette):
    """A 16-colour BMP: every pixel takes the nearest palette entry."""
    assert len(palette) == 16
    rows = rgb_rows(canvas)
    bits = bytearray()
    for row in reversed(rows):
        idx = [nearest_index(palette, px) for px in row]
        if len(idx) % 2:
            idx.append(0)
        line = bytearray((idx[i] << 4) | idx[i + 1] for i in range(0, len(idx), 2))
        line += b'\0' * (-len(line) % 4)
        bits += line
    pal = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    return _bmp_file(_info_header(canvas.width, canvas.height, 4, len(bits), 16), pal, bytes(bits))


def _and_mask(alpha_rows, width):
    out = bytearray()
    for row in reversed(alpha_rows):
        bits = 0
        line = bytearray()
        for x in range(width):
            bits = (bits << 1) | (1 if row[x] < 0.5 else 0)
            if x % 8 == 7:
                line.append(bits)
                bits = 0
        if width % 8:
            line.append(bits << (8 - width % 8))
        line += b'\0' * (-len(line) % 4)
        out += line
    return bytes(out)


def icon_image_32(canvas):
    size = canvas.width
    xor = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b = (to_bytes(c) for c in canvas.pixels[y][x])
            xor += bytes((b, g, r, to_bytes(canvas.alpha[y][x] * 255)))
    mask = _and_mask(canvas.alpha, size)
    return _info_header(size, size * 2, 32, len(xor) + len(mask)) + bytes(xor) + mask


def median_cut(colours, count):
    """A palette of at most `count` colours for the given list of RGB tuples."""
    boxes = [list(colours)]
    while len(boxes) < count:
        boxes.sort(key=lambda b: max(max(c[i] for c in b) - min(c[i] for c in b) for i in range(3)))
        box = boxes.pop()
        spread = [max(c[i] for c in box) - min(c[i] for c in box) for i in range(3)]
        if max(spread) == 0:
            boxes.append(box)
            break
        axis = spread.index(max(spread))
        box.sort(key=lambda c: c[axis])
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    return [tuple(sum(c[i] for c in b) // len(b) for i in range(3)) for b in boxes if b]


def icon_image_8(canvas):
    """256-colour image for old displays: a palette cut from the icon's own colours; transparency from the
    mask alone."""
    size = canvas.width
    opaque = [tuple(to_bytes(c) for c in canvas.pixels[y][x])
              for y in range(size) for x in range(size) if canvas.alpha[y][x] >= 0.5]
    palette = median_cut(opaque, 255)
    palette = [(0, 0, 0)] + palette + [(0, 0, 0)] * (255 - len(palette))
    cache = {}
    xor = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            if canvas.alpha[y][x] < 0.5:
                xor.append(0)
                continue
            px = tuple(to_bytes(c) for c in canvas.pixels[y][x])
            if px not in cache:
                cache[px] = 1 + nearest_index(palette[1:], px)
            xor.append(cache[px])
    pal = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    mask = _and_mask(canvas.alpha, size)
    return _info_header(size, size * 2, 8, len(xor) + len(mask), 256) + pal + bytes(xor) + mask


def ico(images):
    """images: list of (size, bits per pixel, image bytes)."""
    header = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    directory = b''
    data = b''
    for size, bpp, image in images:
        colours = 0 if bpp >= 8 else 1 << bpp
        directory += struct.pack('<BBBBHHII', size % 256, size % 256, colours, 0, 1, bpp, len(image),
                                 offset + len(data))
        data += image
    return header + directory + data


def png(canvas, with_alpha=False, checker=False):
    """PNG for previews; `checker` puts transparent pixels on a grey checkerboard."""
    raw = bytearray()
    for y in range(canvas.height):
        raw.append(0)
        for x in range(canvas.width):
            px = canvas.pixels[y][x]
            a = canvas.alpha[y][x]
            if checker:
                bg = 200 if ((x // 4) + (y // 4)) % 2 else 240
                raw += bytes(to_bytes(c * a + bg * (1 - a)) for c in px)
            else:
                raw += bytes(to_bytes(c) for c in px)
            if with_alpha:
                raw.append(to_bytes(a * 255))

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    colour_type = 6 if with_alpha else 2
    ihdr = struct.pack('>IIBBBBB', canvas.width, canvas.height, 8, colour_type, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + \
        chunk(b'IEND', b'')
