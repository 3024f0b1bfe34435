"""A small geometric stroke font of our own: each glyph is a set of centre lines, drawn as round-capped
strokes. Units: baseline at y = 0, y upwards, x-height 7, cap height 10. Only the letters the artwork
needs are defined; an unknown character is an error rather than a silent gap."""
import math

import raster

X_HEIGHT = 7.0
CAP_HEIGHT = 10.0
R = X_HEIGHT / 2.0  # radius of the round lower-case bowls


def arc(cx, cy, rx, ry, a0, a1):
    steps = max(4, int(abs(a1 - a0) / 7.5))
    return [(cx + rx * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
             cy + ry * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]


def bowl():
    return arc(R, R, R, R, 0, 360)


# Each entry: (advance width, list of polylines).
GLYPHS = {
    ' ': (3.0, []),
    'a': (7.0, [bowl(), [(7, 0), (7, 7)]]),
    'b': (7.0, [bowl(), [(0, 0), (0, 10)]]),
    'c': (6.6, [arc(R, R, R, R, 48, 312)]),
    'd': (7.0, [bowl(), [(7, 0), (7, 10)]]),
    'e': (7.0, [[(0.2, R), (7, R)] + arc(R, R, R, R, 0, 318)]),
    'h': (7.0, [[(0, 0), (0, 10)], arc(R, R, R, R, 180, 0) + [(7, 0)]]),
    'i': (0.0, [[(0, 0), (0, 7)], [(0, 9.4)]]),
    'l': (0.0, [[(0, 0), (0, 10)]]),
    'm': (10.4, [[(0, 0), (0, 7)], arc(2.6, 4.4, 2.6, 2.6, 180, 0) + [(5.2, 0)],
                 arc(7.8, 4.4, 2.6, 2.6, 180, 0) + [(10.4, 0)]]),
    'n': (7.0, [[(0, 0), (0, 7)], arc(R, R, R, R, 180, 0) + [(7, 0)]]),
    'o': (7.0, [bowl()]),
    'p': (7.0, [bowl(), [(0, -3), (0, 7)]]),
    'r': (4.6, [[(0, 0), (0, 7)], arc(3.6, 3.4, 3.6, 3.6, 180, 72)]),
    's': (5.8, [arc(2.9, 5.25, 2.6, 1.75, 15, 270) + arc(2.9, 1.75, 2.9, 1.75, 90, -165)]),
    't': (3.8, [[(1.5, 9.6), (1.5, 0)], [(0, 7), (3.8, 7)]]),
    'u': (7.0, [[(0, 7), (0, R)] + arc(R, R, R, R, 180, 360), [(7, 0), (7, 7)]]),
    'v': (6.6, [[(0, 7), (3.3, 0), (6.6, 7)]]),
    'z': (6.0, [[(0.2, 7), (6, 7), (0, 0), (6, 0)]]),
    'F': (6.4, [[(6.4, 10), (0, 10), (0, 0)], [(0, 5.3), (5.4, 5.3)]]),
    'I': (0.0, [[(0, 0), (0, 10)]]),
    'K': (7.0, [[(0, 0), (0, 10)], [(6.8, 10), (0, 3.2)], [(2.4, 5.6), (7.0, 0)]]),
    'O': (10.4, [arc(5.2, 5, 5.2, 5, 0, 360)]),
    'T': (8.0, [[(0, 10), (8, 10)], [(4, 10), (4, 0)]]),
}


class Text:
    """Text laid out at a pixel position: cap height `size` pixels, strokes `weight` pixels wide."""

    def __init__(self, text, size, weight, tracking=2.2):
        self.scale = size / CAP_HEIGHT
        self.weight = weight
        self.glyphs = []  # (x offset in units, polylines)
        x = 0.0
        gap = tracking + weight / self.scale
        for ch in text:
            if ch not in GLYPHS:
                raise KeyError("no glyph for %r" % ch)
            advance, lines = GLYPHS[ch]
            self.glyphs.append((x, lines))
            x += advance + gap
        self.width_units = x - gap if text else 0.0

    @property
    def width(self):
        """Ink width in pixels, stroke caps included."""
        return self.width_units * self.scale + self.weight

    def polylines(self, left, baseline):
        """Centre lines in pixel coordinates; `left` is where the ink starts."""
        ox = left + self.weight / 2.0
        out = []
        for gx, lines in self.glyphs:
            for line in lines:
                out.append([(ox + (gx + x) * self.scale, baseline - y * self.scale) for x, y in line])
        return out

    def draw(self, canvas, left, baseline, paint, opacity=1.0):
        # Glyph by glyph keeps each distance search short.
        ox = left + self.weight / 2.0
        for gx, lines in self.glyphs:
            if not lines:
                continue
            px = [[(ox + (gx + x) * self.scale, baseline - y * self.scale) for x, y in line] for line in lines]
            canvas.fill(raster.strokes(px, self.weight), raster.bounds_of(px, self.weight), paint, opacity)
