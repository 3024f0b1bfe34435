"""A small RGB canvas with anti-aliased shapes, drawn through signed distance functions.

A shape is a function (x, y) -> signed distance in pixels (negative inside); its coverage of a pixel is
0.5 - distance, clamped to 0..1, which gives smooth one-pixel edges without supersampling.
"""
import math


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def mix(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def hex_colour(text):
    text = text.lstrip('#')
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


class Canvas:
    def __init__(self, width, height, background=(255, 255, 255)):
        self.width = width
        self.height = height
        self.pixels = [[list(map(float, background)) for _ in range(width)] for _ in range(height)]
        # Alpha is kept for the icons; the bitmaps ignore it.
        self.alpha = [[1.0] * width for _ in range(height)]

    def clear_transparent(self):
        for row in self.alpha:
            for x in range(self.width):
                row[x] = 0.0

    def blend(self, x, y, colour, a):
        if a <= 0.0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        px = self.pixels[y][x]
        da = self.alpha[y][x]
        out_a = a + da * (1.0 - a)
        if out_a <= 0.0:
            return
        for i in range(3):
            px[i] = (colour[i] * a + px[i] * da * (1.0 - a)) / out_a
        self.alpha[y][x] = out_a

    def fill(self, sdf, bbox, paint, opacity=1.0):
        """Fills the shape `sdf` inside bbox (x0, y0, x1, y1); paint is a colour or a function (x, y) -> colour."""
        x0, y0, x1, y1 = bbox
        x0 = max(0, int(math.floor(x0)) - 1)
        y0 = max(0, int(math.floor(y0)) - 1)
        x1 = min(self.width, int(math.ceil(x1)) + 1)
        y1 = min(self.height, int(math.ceil(y1)) + 1)
        by_function = callable(paint)
        for y in range(y0, y1):
            cy = y + 0.5
            for x in range(x0, x1):
                cx = x + 0.5
                cover = clamp01(0.5 - sdf(cx, cy))
                if cover > 0.0:
                    self.blend(x, y, paint(cx, cy) if by_function else paint, cover * opacity)

    def fill_all(self, paint):
        self.fill(lambda x, y: -1.0, (0, 0, self.width, self.height), paint)


# --- Signed distance functions -------------------------------------------------------------------------------

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2.0


def round_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return sdf


def rect(x0, y0, x1, y1):
    return round_rect(x0, y0, x1, y1, 0.0)


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else clamp01(((x - ax) * dx + (y - ay) * dy) / length2)
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def strokes(polylines, width):
    """Union of round-capped strokes along the given polylines (lists of points)."""
    segments = []
    for line in polylines:
        if len(line) == 1:
            segments.append((line[0][0], line[0][1], line[0][0], line[0][1]))
        for (ax, ay), (bx, by) in zip(line, line[1:]):
            segments.append((ax, ay, bx, by))
    half = width / 2.0

    def sdf(x, y):
        return min(segment_distance(x, y, *s) for s in segments) - half
    return sdf


def polygon(points):
    """Signed distance to a simple polygon (even-odd inside test)."""
    def sdf(x, y):
        d = min(segment_distance(x, y, *points[i], *points[(i + 1) % len(points)]) for i in range(len(points)))
        inside = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return -d if inside else d
    return sdf


def union(*sdfs):
    return lambda x, y: min(f(x, y) for f in sdfs)


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def intersect(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


def bounds_of(polylines, margin):
    xs = [p[0] for line in polylines for p in line]
    ys = [p[1] for line in polylines for p in line]
    return (min(xs) - margin, min(ys) - margin, max(xs) + margin, max(ys) + margin)


# --- Paints ------------------------------------------------------------------------------------------------

def linear_gradient(x0, y0, c0, x1, y1, c1):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def paint(x, y):
        return mix(c0, c1, clamp01(((x - x0) * dx + (y - y0) * dy) / length2))
    return paint
