"""The pictures themselves, each drawn on a fresh canvas at its final pixel size."""
import math

import raster
from raster import Canvas, hex_colour as hx, mix
from stroke_font import Text


class Product:
    def __init__(self, name, dark, light, accent):
        self.name = name
        self.dark = hx(dark)
        self.light = hx(light)
        self.accent = hx(accent)


TALVENIA = Product('Talvenia', '#0b3a5c', '#1f86ad', '#8fd3ee')
FENDRO = Product('Fendro', '#6b2410', '#d0701c', '#ffd08a')

WHITE = (255, 255, 255)
SUBTITLE = 'Installazione sul palmare'


# --- Shared drawing pieces ---------------------------------------------------------------------------------

def draw_handheld(c, x0, y0, w, h, body, screen_top, screen_bottom, keys, outline=None):
    """A handheld seen from the front: body, screen, a round navigation key and two side keys."""
    r = w * 0.16
    if outline:
        c.fill(raster.round_rect(x0 - 0.8, y0 - 0.8, x0 + w + 0.8, y0 + h + 0.8, r + 0.8),
               (x0 - 2, y0 - 2, x0 + w + 2, y0 + h + 2), outline)
    c.fill(raster.round_rect(x0, y0, x0 + w, y0 + h, r), (x0, y0, x0 + w, y0 + h),
           raster.linear_gradient(x0, y0, mix(body, WHITE, 0.18), x0 + w, y0 + h, body))
    sx0, sy0, sx1, sy1 = x0 + w * 0.13, y0 + h * 0.09, x0 + w * 0.87, y0 + h * 0.62
    c.fill(raster.rect(sx0, sy0, sx1, sy1), (sx0, sy0, sx1, sy1),
           raster.linear_gradient(sx0, sy0, screen_top, sx1, sy1, screen_bottom))
    kcy = y0 + h * 0.79
    c.fill(raster.circle(x0 + w / 2, kcy, w * 0.15), (x0, kcy - w * 0.2, x0 + w, kcy + w * 0.2), keys)
    for kx in (x0 + w * 0.2, x0 + w * 0.8):
        c.fill(raster.circle(kx, kcy, w * 0.075), (kx - 3, kcy - 3, kx + 3, kcy + 3), keys)


def draw_computer(c, x0, y0, w, h, bezel, screen_top, screen_bottom):
    """A desktop monitor on a stand; h is the height of the monitor alone."""
    c.fill(raster.round_rect(x0, y0, x0 + w, y0 + h, 2.5), (x0, y0, x0 + w, y0 + h), bezel)
    sx0, sy0, sx1, sy1 = x0 + 3, y0 + 3, x0 + w - 3, y0 + h - 4
    c.fill(raster.rect(sx0, sy0, sx1, sy1), (sx0, sy0, sx1, sy1),
           raster.linear_gradient(sx0, sy0, screen_top, sx1, sy1, screen_bottom))
    # A window on the desktop, so the screen reads as a screen.
    wx0, wy0 = sx0 + (sx1 - sx0) * 0.18, sy0 + (sy1 - sy0) * 0.22
    wx1, wy1 = sx0 + (sx1 - sx0) * 0.7, sy0 + (sy1 - sy0) * 0.78
    c.fill(raster.rect(wx0, wy0, wx1, wy1), (wx0, wy0, wx1, wy1), (236, 242, 248), 0.9)
    c.fill(raster.rect(wx0, wy0, wx1, wy0 + 3), (wx0, wy0, wx1, wy0 + 3), mix(screen_bottom, (0, 0, 0), 0.25))
    cx = x0 + w / 2
    c.fill(raster.rect(cx - 3, y0 + h, cx + 3, y0 + h + 4), (cx - 4, y0 + h, cx + 4, y0 + h + 5), bezel)
    c.fill(raster.round_rect(cx - 12, y0 + h + 3.5, cx + 12, y0 + h + 7, 1.5),
           (cx - 13, y0 + h + 3, cx + 13, y0 + h + 8), bezel)


def bezier(p0, p1, p2, p3, steps=40):
    pts = []
    for i in range(steps + 1):
        t = i / steps
        u = 1 - t
        pts.append(tuple(u ** 3 * a + 3 * u * u * t * b + 3 * u * t * t * cc + t ** 3 * d
                         for a, b, cc, d in zip(p0, p1, p2, p3)))
    return pts


# --- Banners 148 / 149 (640 x 64) --------------------------------------------------------------------------

def banner(product):
    w, h = 640, 64
    c = Canvas(w, h)
    c.fill_all(lambda x, y: mix(mix(product.dark, product.light, (x / w) ** 0.8), product.dark, 0.25 * y / h))
    # Radio waves spreading from a handheld on the right: the link this program is about.
    for i, r in enumerate((18, 31, 44, 57, 70, 83)):
        c.fill(raster.ring(600, 40, r, 2.2), (600 - r - 3, 0, 640, h), WHITE, 0.16 - i * 0.02)
    draw_handheld(c, 591, 22, 18, 30, mix(product.dark, WHITE, 0.15), WHITE, product.accent, product.accent)
    # The emblem: a light tile holding a handheld with a downward arrow.
    c.fill(raster.round_rect(16, 10, 60, 54, 9), (16, 10, 60, 54), WHITE, 0.16)
    c.fill(raster.round_rect(16.5, 10.5, 59.5, 53.5, 8.5), (16, 10, 60, 54), WHITE, 0.0)
    draw_handheld(c, 28, 16, 20, 32, WHITE, product.accent, mix(product.light, WHITE, 0.3), product.light)
    arrow = [(35.0, 20.0), (41.0, 20.0), (41.0, 26.0), (44.0, 26.0), (38.0, 32.5), (32.0, 26.0), (35.0, 26.0)]
    c.fill(raster.polygon(arrow), (31, 19, 45, 34), product.dark)

    title = Text(product.name, size=27, weight=4.0)
    title.draw(c, 76, 38, (0, 0, 0), 0.18)  # soft shadow first
    title.draw(c, 75, 37, WHITE)
    sub = Text(SUBTITLE, size=9.5, weight=1.45, tracking=2.6)
    sub.draw(c, 76, 54, mix(product.accent, WHITE, 0.35))
    # A thin light rule along the bottom edge parts the banner from the dialog below it.
    c.fill(raster.rect(0, h - 2, w, h), (0, h - 2, w, h),
           raster.linear_gradient(0, 0, product.accent, w, 0, mix(product.accent, WHITE, 0.6)), 0.9)
    return c


# --- Connection pictures 129 / 130 (192 x 48) --------------------------------------------------------------

def connection(connected):
    w, h = 192, 48
    c = Canvas(w, h)
    c.fill_all(raster.linear_gradient(0, 0, (255, 255, 255), 0, h, (232, 238, 244)))
    c.fill(raster.subtract(raster.rect(0, 0, w, h), raster.rect(1, 1, w - 1, h - 1)), (0, 0, w, h), (176, 188, 200))

    draw_computer(c, 10, 5, 46, 31, (58, 66, 76), (120, 182, 232), (38, 104, 170))
    cable = bezier((56.5, 27.0), (95.0, 27.0), (118.0, 41.0), (150.0, 39.0))
    cable_colour = (70, 76, 84) if connected else (150, 154, 160)
    c.fill(raster.strokes([cable], 2.4), raster.bounds_of([cable], 3), cable_colour)
    # The plug at the handheld's side.
    c.fill(raster.round_rect(147, 36.5, 154, 41.5, 1), (146, 35, 155, 43), cable_colour)

    if connected:
        draw_handheld(c, 154, 3, 27, 42, (44, 62, 80), (164, 226, 140), (70, 168, 92), (120, 138, 156))
        badge = raster.round_rect(88, 8, 120, 26, 9)
        c.fill(badge, (86, 6, 122, 28), raster.linear_gradient(0, 8, (74, 182, 88), 0, 26, (34, 140, 56)))
        ok = Text('OK', size=10, weight=2.2, tracking=2.0)
        ok.draw(c, 104 - ok.width / 2, 22, WHITE)
    else:
        draw_handheld(c, 154, 3, 27, 42, (160, 164, 168), (222, 224, 226), (196, 198, 200), (190, 192, 196))
        # The broken link: a gap in the cable under a red cross.
        c.fill(raster.circle(103, 33, 10.5), (90, 20, 116, 46), (248, 248, 250))
        cross = [[(97, 27), (109, 39)], [(109, 27), (97, 39)]]
        c.fill(raster.strokes(cross, 3.6), raster.bounds_of(cross, 3), (212, 40, 40))
    return c


# --- Step icons 139 (48 x 16, 16 colours, white is transparent) ---------------------------------------------

STEP_PALETTE = [
    (255, 255, 255), (0, 0, 0), (236, 236, 236), (212, 212, 212), (184, 184, 184), (150, 150, 150),
    (118, 118, 118), (86, 86, 86), (226, 243, 226), (184, 224, 184), (132, 198, 132), (82, 170, 86),
    (44, 142, 56), (24, 112, 40), (250, 250, 250), (16, 84, 30)]


def step_icons():
    c = Canvas(48, 16)
    # Cell 0 (unused by the wizard): a small neutral dot.
    c.fill(raster.circle(8, 8, 2.6), (0, 0, 16, 16), (150, 150, 150))
    # Cell 1: a step still ahead, a hollow grey circle.
    c.fill(raster.ring(24, 8, 5.2, 1.6), (16, 0, 32, 16), (150, 150, 150))
    # Cell 2: a step reached, a green disc with a white tick.
    c.fill(raster.circle(40, 8, 6.6), (32, 0, 48, 16), (44, 142, 56))
    tick = [[(36.6, 8.2), (39.0, 10.6), (43.6, 5.6)]]
    c.fill(raster.strokes(tick, 1.9), (34, 3, 46, 13), WHITE)
    return c


# --- Application icon 151 ----------------------------------------------------------------------------------

def app_icon(size):
    """A handheld with a downward arrow on a rounded blue tile; drawn on a 48-unit grid, scaled to size."""
    c = Canvas(size, size)
    c.clear_transparent()
    k = size / 48.0
    t = TALVENIA
    c.fill(raster.round_rect(1 * k, 1 * k, 47 * k, 47 * k, 9 * k), (0, 0, size, size),
           raster.linear_gradient(0, 0, t.light, 0, size, t.dark))
    hx0, hy0, hw, hh = 14 * k, 6 * k, 20 * k, 36 * k
    if size <= 16:
        # At 16 pixels the keys would be mush: body and screen only, on whole pixels.
        c.fill(raster.round_rect(4, 1.5, 12, 14.5, 1.5), (0, 0, 16, 16), WHITE)
        c.fill(raster.rect(5.5, 3, 10.5, 9.5), (0, 0, 16, 16), t.accent)
        arrow = [(7, 3.5), (9, 3.5), (9, 6), (10.2, 6), (8, 8.8), (5.8, 6), (7, 6)]
        c.fill(raster.polygon(arrow), (4, 2, 12, 10), t.dark)
        c.fill(raster.circle(8, 12, 1.2), (5, 10, 11, 14), t.light)
        return c
    draw_handheld(c, hx0, hy0, hw, hh, WHITE, t.accent, mix(t.light, WHITE, 0.3), t.light)
    ax = hx0 + hw / 2
    arrow = [(ax - 3 * k, 10 * k), (ax + 3 * k, 10 * k), (ax + 3 * k, 17 * k), (ax + 6.5 * k, 17 * k),
             (ax, 25 * k), (ax - 6.5 * k, 17 * k), (ax - 3 * k, 17 * k)]
    c.fill(raster.polygon(arrow), (0, 0, size, size), t.dark)
    return c
