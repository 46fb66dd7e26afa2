#!/usr/bin/env python3
"""Draws Lumo's light skin and writes it as 24-bit Windows BMP files.

Standard library only. Run from anywhere:

    python3 frame/skin/make_skin.py            # rewrite BMPs, skin.rc, skin_ids.h
    python3 frame/skin/make_skin.py --sheet sheet.png --mockup mockup.png

Pictures drawn over varying backgrounds (glyphs, icons, the address frame's
caps) use magenta 0xFF00FF as the transparent key: a pixel is either fully
magenta or opaque. Their soft edges are blended against the background the
picture usually sits on, so they look smooth there and merely a little
hard elsewhere. Image lists are one horizontal strip per list, image 0 at the
left, in the order the owner-drawn buttons index them (normal images first,
then the hot ones at the list's offset, then the pressed ones).
"""

import argparse
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
KEY = (255, 0, 255)


def rgb(hex_text):
    v = int(hex_text.lstrip("#"), 16)
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255)


# Palette: soft greys and white, one blue accent.
WHITE = rgb("#FFFFFF")
TITLE = rgb("#E4E8ED")  # title bar and menu base
FORM = rgb("#F5F7F9")  # form base: address panel, side panel, status bar
STRIP = rgb("#E4E8ED")  # tab strip background
STRIP_TOP = rgb("#D6DCE3")  # line between the address panel and the strip
LINE = rgb("#C6CDD6")  # borders: active tab, strip bottom, fields
SEPARATOR = rgb("#B9C1CB")  # between inactive tabs
HEADER = rgb("#ECEFF3")  # side-panel section headers
HEADER_LINE = rgb("#D3D9E0")
GLYPH = rgb("#434A54")  # toolbar glyphs
GLYPH_SOFT = rgb("#8B939E")  # quiet glyphs (search-field icon, delete)
ACCENT = rgb("#2B78E4")
ACCENT_DARK = rgb("#1D5DBF")
ACCENT_LIGHT = rgb("#D3E3FA")
HOT = rgb("#DFEAFA")  # hot button fill (light accent tint)
HOT_LINE = rgb("#B6CEF0")
PRESSED = rgb("#C8DBF6")
PRESSED_LINE = rgb("#97B8E8")
CAPTION_HOT = rgb("#D3D9E1")
CLOSE_RED = rgb("#E0434B")
FOLDER_FILL = rgb("#CFE0F8")
FOLDER_LINE = rgb("#5487D2")

SS = 4  # supersamples per axis


# --------------------------------------------------------------------------
# Shapes: predicates over continuous coordinates. Pixel (i, j) covers
# [i, i + 1) x [j, j + 1); a line through pixel centres lies on .5.


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rrect(x0, y0, x1, y1, r, top_only=False):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        if top_only:
            if y >= y0 + r:
                return True
            cy = y0 + r
        else:
            cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def seg(p0, p1, w):
    (ax, ay), (bx, by) = p0, p1
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy
    h2 = (w / 2.0) ** 2

    def inside(x, y):
        t = 0.0 if ll == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / ll))
        px, py = ax + t * dx - x, ay + t * dy - y
        return px * px + py * py <= h2

    return inside


def polyline(points, w, closed=False):
    pts = list(points) + ([points[0]] if closed else [])
    return union(*[seg(pts[i], pts[i + 1], w) for i in range(len(pts) - 1)])


def polygon(points):
    def inside(x, y):
        c = False
        n = len(points)
        for i in range(n):
            (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
            if (y0 > y) != (y1 > y):
                if x < (x1 - x0) * (y - y0) / (y1 - y0) + x0:
                    c = not c
        return c

    return inside


def arc(cx, cy, r, w, a0, a1):
    """Ring of radius r and width w between angles a0..a1 (degrees, clockwise
    from 3 o'clock with y pointing down), with round ends."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > w / 2:
            return False
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360
        lo, hi = a0 % 360, a0 % 360 + (a1 - a0)
        return lo <= a <= hi or lo <= a + 360 <= hi

    ends = [
        circle(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a)), w / 2)
        for a in (a0, a1)
    ]
    return union(inside, *ends)


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def intersect(a, b):
    return lambda x, y: a(x, y) and b(x, y)


# --------------------------------------------------------------------------
# Canvas with premultiplied colour and coverage.


class Canvas:
    def __init__(self, w, h, fill=None):
        self.w, self.h = w, h
        if fill is None:
            self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]
        else:
            self.px = [[float(fill[0]), float(fill[1]), float(fill[2]), 1.0] for _ in range(w * h)]

    def draw(self, shape, color, bbox=None, opacity=1.0):
        x0, y0, x1, y1 = bbox or (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        n = SS * SS
        offs = [(k + 0.5) / SS for k in range(SS)]
        for j in range(y0, y1):
            for i in range(x0, x1):
                hits = 0
                for oy in offs:
                    for ox in offs:
                        if shape(i + ox, j + oy):
                            hits += 1
                if not hits:
                    continue
                a = hits / n * opacity
                p = self.px[j * self.w + i]
                for c in range(3):
                    p[c] = color[c] * a + p[c] * (1 - a)
                p[3] = a + p[3] * (1 - a)

    def fill_rect(self, x0, y0, x1, y1, color):
        for j in range(max(0, y0), min(self.h, y1)):
            for i in range(max(0, x0), min(self.w, x1)):
                self.px[j * self.w + i] = [float(color[0]), float(color[1]), float(color[2]), 1.0]

    def pixels(self, backdrop=None):
        """Final 8-bit pixels. Transparent canvases need the backdrop their
        soft edges are blended against; nearly clear pixels become the key."""
        out = []
        for p in self.px:
            a = p[3]
            if a >= 0.999:
                out.append(tuple(int(round(min(255, max(0, c)))) for c in p[:3]))
            elif backdrop is None:
                raise ValueError("transparent pixel without a backdrop")
            elif a < 0.3:
                out.append(KEY)
            else:
                out.append(tuple(int(round(p[c] + backdrop[c] * (1 - a))) for c in range(3)))
        return out


class Image:
    """Finished 8-bit picture."""

    def __init__(self, w, h, pixels):
        self.w, self.h, self.pixels = w, h, pixels

    @staticmethod
    def of(canvas, backdrop=None):
        return Image(canvas.w, canvas.h, canvas.pixels(backdrop))

    def crop(self, x0, y0, x1, y1):
        return Image(
            x1 - x0, y1 - y0, [self.pixels[j * self.w + i] for j in range(y0, y1) for i in range(x0, x1)]
        )


def strip(images):
    h = images[0].h
    assert all(im.h == h for im in images)
    w = sum(im.w for im in images)
    px = []
    for j in range(h):
        for im in images:
            px.extend(im.pixels[j * im.w:(j + 1) * im.w])
    return Image(w, h, px)


def write_bmp(path, image):
    row = image.w * 3
    pad = (4 - row % 4) % 4
    data = bytearray()
    for j in range(image.h - 1, -1, -1):  # bottom-up
        for r, g, b in image.pixels[j * image.w:(j + 1) * image.w]:
            data += bytes((b, g, r))
        data += b"\0" * pad
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, image.w, image.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_png(path, image, scale=1):
    raw = bytearray()
    for j in range(image.h):
        line = bytearray()
        for r, g, b in image.pixels[j * image.w:(j + 1) * image.w]:
            line += bytes((r, g, b)) * scale
        for _ in range(scale):
            raw += b"\0" + line

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    ihdr = struct.pack(">IIBBBBB", image.w * scale, image.h * scale, 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
                chunk(b"IEND", b""))


# --------------------------------------------------------------------------
# Glyphs. Each takes a canvas, a colour and the glyph's centre.


def g_back(c, col, cx, cy, s=1.0):
    c.draw(union(seg((cx - 6 * s, cy), (cx + 6 * s, cy), 1.8),
                 polyline([(cx - 1 * s, cy - 5 * s), (cx - 6 * s, cy), (cx - 1 * s, cy + 5 * s)], 1.8)), col)


def g_forward(c, col, cx, cy, s=1.0):
    c.draw(union(seg((cx - 6 * s, cy), (cx + 6 * s, cy), 1.8),
                 polyline([(cx + 1 * s, cy - 5 * s), (cx + 6 * s, cy), (cx + 1 * s, cy + 5 * s)], 1.8)), col)


def g_cross(c, col, cx, cy, r, w=1.8):
    c.draw(union(seg((cx - r, cy - r), (cx + r, cy + r), w), seg((cx - r, cy + r), (cx + r, cy - r), w)), col)


def g_refresh(c, col, cx, cy):
    # clockwise arrow, open at the upper right, the head at the open end
    r, w = 5.6, 1.8
    end = -62.0
    c.draw(arc(cx, cy, r, w, 0, 360 + end - 14), col)
    a = math.radians(end)
    ex, ey = cx + r * math.cos(a), cy + r * math.sin(a)
    tx, ty = -math.sin(a), math.cos(a)  # clockwise tangent
    rx, ry = math.cos(a), math.sin(a)  # outward
    bx, by = ex - tx * 1.2, ey - ty * 1.2
    c.draw(polygon([(bx + rx * 3.6, by + ry * 3.6), (bx - rx * 3.6, by - ry * 3.6),
                    (ex + tx * 3.8, ey + ty * 3.8)]), col)


def g_home(c, col, cx, cy):
    roof = polyline([(cx - 7.5, cy + 0.5), (cx, cy - 6.5), (cx + 7.5, cy + 0.5)], 1.8)
    body = polyline([(cx - 5, cy - 1.5), (cx - 5, cy + 6.5), (cx + 5, cy + 6.5), (cx + 5, cy - 1.5)], 1.8)
    door = rect(cx - 1.6, cy + 2, cx + 1.6, cy + 7.4)
    c.draw(union(roof, body, door), col)


def g_save(c, col, cx, cy):
    x0, y0, x1, y1 = cx - 6.5, cy - 6.5, cx + 6.5, cy + 6.5
    outline = polyline([(x0, y0), (x1 - 3, y0), (x1, y0 + 3), (x1, y1), (x0, y1)], 1.8, closed=True)
    shutter = polyline([(cx - 3.5, y0), (cx - 3.5, y0 + 4), (cx + 2.5, y0 + 4), (cx + 2.5, y0)], 1.6)
    label = rrect(cx - 4, cy + 1.5, cx + 4, y1, 1.0)
    c.draw(union(outline, shutter, label), col)


def star_points(cx, cy, ro, ri):
    pts = []
    for k in range(10):
        a = math.radians(-90 + 36 * k)
        r = ro if k % 2 == 0 else ri
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def g_star(c, col, cx, cy):
    c.draw(polygon(star_points(cx, cy + 0.5, 7.8, 3.4)), col)


def g_magnifier(c, col, cx, cy, r=4.6, w=1.8, handle=4.4):
    lx, ly = cx - 1.2, cy - 1.2
    d = (r + w / 2) / math.sqrt(2)
    c.draw(union(arc(lx, ly, r, w, 0, 360), seg((lx + d, ly + d), (lx + d + handle, ly + d + handle), w + 0.4)), col)


def g_go(c, col, cx, cy):
    c.draw(union(seg((cx - 6.5, cy), (cx + 5.5, cy), 2.0),
                 polyline([(cx + 0.5, cy - 5.2), (cx + 6, cy), (cx + 0.5, cy + 5.2)], 2.0)), col)


def g_plus(c, col, cx, cy, r, w=1.8):
    c.draw(union(seg((cx - r, cy), (cx + r, cy), w), seg((cx, cy - r), (cx, cy + r), w)), col)


def g_chevron_down(c, col, cx, cy):
    c.draw(polyline([(cx - 4, cy - 2), (cx, cy + 2), (cx + 4, cy - 2)], 1.8), col)


def g_side_panel(c, col, cx, cy):
    x0, y0 = int(cx) - 7, int(cy) - 6
    x1, y1 = x0 + 15, y0 + 12
    outer = rrect(x0, y0, x1, y1, 2.0)
    frame = minus(outer, rrect(x0 + 2, y0 + 2, x1 - 2, y1 - 2, 0.5))
    c.draw(rect(x0 + 2, y0 + 2, x0 + 5, y1 - 2), col, opacity=0.45)
    c.draw(union(frame, rect(x0 + 5, y0, x0 + 7, y1)), col)


# --------------------------------------------------------------------------
# Button states for glyph lists: 0 normal, 1 hot, 2 pressed.


def state_button(w, h, state, glyph, backdrop, radius=5.0, inset=1.0, glyph_colors=None):
    c = Canvas(w, h)
    if state == 1:
        c.draw(rrect(inset, inset, w - inset, h - inset, radius), HOT_LINE)
        c.draw(rrect(inset + 1, inset + 1, w - inset - 1, h - inset - 1, radius - 1), HOT)
    elif state == 2:
        c.draw(rrect(inset, inset, w - inset, h - inset, radius), PRESSED_LINE)
        c.draw(rrect(inset + 1, inset + 1, w - inset - 1, h - inset - 1, radius - 1), PRESSED)
    colors = glyph_colors or (GLYPH, GLYPH, ACCENT_DARK)
    d = 1.0 if state == 2 else 0.0  # pressed glyphs sink a pixel
    glyph(c, colors[state], w / 2 + d, h / 2 + d)
    return Image.of(c, backdrop)


def button_list(w, h, glyphs, backdrop, **kw):
    """Strip with every glyph normal, then every glyph hot, then pressed."""
    return strip([state_button(w, h, s, g, backdrop, **kw) for s in range(3) for g in glyphs])


# --------------------------------------------------------------------------
# The pictures.


def title_bar():
    return Image.of(Canvas(8, 26, TITLE))


def menu_base():
    return Image.of(Canvas(8, 26, TITLE))


def form_base():
    return Image.of(Canvas(16, 16, FORM))


def menu_mouse_down():
    # Copied without transparency onto the title bar (and the side-panel
    # headers): the corners carry the title bar's colour. Caps are 5 px, the
    # middle (columns W-8..W-3) is uniform.
    c = Canvas(60, 20, TITLE)
    c.draw(rrect(0, 0, 60, 20, 3.5), HOT_LINE)
    c.draw(rrect(1, 1, 59, 19, 2.5), HOT)
    return Image.of(c)


def caption_glyph(kind, hot):
    """26 x 19 caption button glyph; hot ones are opaque tiles."""
    w, h = 26, 19
    if hot:
        c = Canvas(w, h, CLOSE_RED if kind == "close" else CAPTION_HOT)
        col = WHITE if kind == "close" else GLYPH
    else:
        c = Canvas(w, h)
        col = GLYPH
    cx, cy = 13.0, 10.0
    if kind == "min":
        c.draw(rect(cx - 5, cy + 0, cx + 5, cy + 1), col)
    elif kind == "max":
        c.draw(minus(rect(cx - 5, cy - 5, cx + 5, cy + 5), rect(cx - 4, cy - 4, cx + 4, cy + 4)), col)
    elif kind == "restore":
        front = minus(rect(cx - 5, cy - 3, cx + 3, cy + 5), rect(cx - 4, cy - 2, cx + 2, cy + 4))
        back = union(rect(cx - 3, cy - 5, cx + 5, cy - 4), rect(cx + 4, cy - 5, cx + 5, cy + 3),
                     rect(cx - 3, cy - 5, cx - 2, cy - 3), rect(cx + 3, cy + 2, cx + 5, cy + 3))
        c.draw(union(front, back), col)
    elif kind == "close":
        # pixel-exact diagonals read sharper than smoothed thin ones
        x0, y0 = int(cx) - 5, int(cy) - 5
        cells = [(x0 + i, y0 + i) for i in range(10)] + [(x0 + 9 - i, y0 + i) for i in range(10)]
        c.draw(lambda x, y: (int(x), int(y)) in cells, col)
    return Image.of(c, TITLE)


def caption_list():
    kinds = ["min", "max", "close"]
    return strip([caption_glyph(k, False) for k in kinds] + [caption_glyph(k, True) for k in kinds])


def address_frame():
    # 24 x 25; 3 px caps keyed with magenta, columns 18..20 stretched.
    c = Canvas(24, 25)
    c.draw(rrect(0, 0, 24, 25, 3.0), LINE)
    c.draw(rrect(1, 1, 23, 24, 2.0), WHITE)
    return Image.of(c, FORM)


def web_icon():
    # The globe keeps 3 px free on its right: a tab's title starts right
    # after the 16-px cell.
    c = Canvas(16, 16)
    cx, cy = 6.5, 7.5
    c.draw(circle(cx, cy, 6.3), ACCENT)
    c.draw(circle(cx, cy, 5.1), ACCENT_LIGHT)
    grid = union(
        minus(ellipse(cx, cy, 2.8, 5.6), ellipse(cx, cy, 1.8, 4.9)),
        rect(cx - 5.2, cy - 0.5, cx + 5.2, cy + 0.5),
        rect(cx - 0.5, cy - 5.2, cx + 0.5, cy + 5.2),
    )
    c.draw(grid, ACCENT)
    return Image.of(c, WHITE)


def search_engine_icon():
    c = Canvas(16, 16)
    g_magnifier(c, GLYPH_SOFT, 8.3, 8.3, r=4.0, w=1.6, handle=3.4)
    return Image.of(c, WHITE)


def go_search_list():
    # ImageList4, 28 x 28: 0 Go, 1 search; +2 hot; +2 more pressed.
    accent = (ACCENT, ACCENT, ACCENT_DARK)
    return button_list(28, 28, [g_go, g_magnifier], FORM, glyph_colors=accent)


def nav_list():
    # ImageListB01, 28 x 28: seven buttons, +7 hot, +7 pressed.
    return button_list(28, 28, [g_back, g_forward, lambda c, col, x, y: g_cross(c, col, x, y, 5.5),
                                g_refresh, g_home, g_save, g_star], FORM)


def side_button_list():
    # ImageListSideButton, 28 x 33: normal, hot, pressed (offset 1). Drawn at
    # the 35-px button's left + 10, so only columns 0..24 are ever seen.
    out = []
    for s in range(3):
        c = Canvas(28, 33)
        if s:
            c.draw(rrect(0, 6, 25, 30, 5.0), HOT_LINE if s == 1 else PRESSED_LINE)
            c.draw(rrect(1, 7, 24, 29, 4.0), HOT if s == 1 else PRESSED)
        d = 1.0 if s == 2 else 0.0
        g_side_panel(c, (GLYPH, GLYPH, ACCENT_DARK)[s], 12.5 + d, 18 + d)
        out.append(Image.of(c, STRIP))
    return strip(out)


def right_small_list():
    # ImageListRightSmall, 18 x 18: 0 new tab, 1 tab list, 2 close tab;
    # +3 hot, +3 more pressed.
    glyphs = [lambda c, col, x, y: g_plus(c, col, x, y, 5.0),
              g_chevron_down,
              lambda c, col, x, y: g_cross(c, col, x, y, 3.5, 1.6)]
    return button_list(18, 18, glyphs, STRIP, radius=8.0, inset=0.0)


def close_page_list():
    # ImageListClosePage, 16 x 16: 0 closes the active tab, 1 another tab.
    out = []
    for fill, backdrop in ((rgb("#7D8692"), WHITE), (rgb("#A3ABB6"), STRIP)):
        c = Canvas(16, 16)
        c.draw(circle(7.5, 7.5, 6.8), fill)
        g_cross(c, WHITE, 7.5, 7.5, 3.0, 1.5)
        out.append(Image.of(c, backdrop))
    return strip(out)


TAB_H = 33
TAB_TOP = 4  # top of the active tab's shape
TAB_RADIUS = 6.0


def strip_background(w):
    c = Canvas(w, TAB_H, STRIP)
    c.fill_rect(0, 0, w, 1, STRIP_TOP)
    c.fill_rect(0, TAB_H - 1, w, TAB_H, LINE)
    return c


def separator(c, x):
    c.fill_rect(x, 10, x + 1, 24, SEPARATOR)


def tab_picture(width, active, left_separator):
    """A whole tab. Its left cap holds the boundary to the tab before it
    (column 0); the shape of an active tab spans columns 2..186, which the
    drawing code maps to the tab's left + 2 .. right - 2 whatever the width."""
    c = strip_background(width)
    if left_separator:
        separator(c, 0)
    if active:
        x0, x1 = 2, 187
        c.draw(rrect(x0, TAB_TOP, x1, TAB_H + 1, TAB_RADIUS, top_only=True), LINE)
        c.draw(rrect(x0 + 1, TAB_TOP + 1, x1 - 1, TAB_H + 1, TAB_RADIUS - 1, top_only=True), WHITE)
        accent = intersect(rrect(x0, TAB_TOP, x1, TAB_H + 1, TAB_RADIUS, top_only=True), rect(0, 0, 999, TAB_TOP + 2))
        c.draw(accent, ACCENT)
    return Image.of(c)


def tab_end(active):
    # End piece after the last tab; its column 1 lies on the tab's boundary.
    c = strip_background(25)
    if not active:
        separator(c, 1)
    return Image.of(c)


def tree_list():
    # ILTree, 16 x 16: 0 category, 1 category selected, 2 game, 3 add game.
    out = []
    for is_open in (False, True):
        c = Canvas(16, 16)
        back = union(rrect(1, 3, 7, 7, 1.0), rrect(1, 4.5, 15, 14, 1.2))
        c.draw(back, FOLDER_LINE)
        c.draw(union(rrect(2, 4, 6.5, 7, 0.6), rrect(2, 5.5, 14, 13, 0.6)), FOLDER_FILL)
        if is_open:
            front = polygon([(1.2, 14), (3.6, 7.5), (15.8, 7.5), (13.4, 14)])
            c.draw(front, FOLDER_LINE)
            c.draw(polygon([(2.6, 13), (4.4, 8.5), (14.4, 8.5), (12.6, 13)]), rgb("#E6EFFC"))
        else:
            c.draw(rect(2, 7, 14, 8), FOLDER_LINE)
        out.append(Image.of(c, WHITE))
    c = Canvas(16, 16)
    pad = union(rrect(0.5, 4, 15.5, 13, 4.0), circle(4.3, 11.6, 3.2), circle(11.7, 11.6, 3.2))
    c.draw(pad, ACCENT)
    g_plus(c, WHITE, 4.8, 8.5, 2.2, 1.4)
    c.draw(union(circle(11.2, 7.4, 1.1), circle(13.0, 9.6, 1.1)), WHITE)
    out.append(Image.of(c, WHITE))
    c = Canvas(16, 16)
    c.draw(circle(8, 8, 7.0), ACCENT)
    c.draw(circle(8, 8, 5.8), WHITE)
    g_plus(c, ACCENT, 8, 8, 3.4, 1.6)
    out.append(Image.of(c, WHITE))
    return strip(out)


def del_node_list():
    # ImageListDelNode, 12 x 12: 0 normal, 1 hot.
    c0 = Canvas(12, 12)
    g_cross(c0, GLYPH_SOFT, 5.5, 5.5, 3.0, 1.5)
    c1 = Canvas(12, 12)
    c1.draw(circle(5.5, 5.5, 5.5), CLOSE_RED)
    g_cross(c1, WHITE, 5.5, 5.5, 2.0, 1.4)
    return strip([Image.of(c0, WHITE), Image.of(c1, WHITE)])


def left_header():
    c = Canvas(32, 25, HEADER)
    c.fill_rect(0, 0, 32, 1, WHITE)
    c.fill_rect(0, 24, 32, 25, HEADER_LINE)
    return Image.of(c)


def left_panel_button_list():
    # ImageListLeftPanelButtonNormal, 16 x 16: the "close side panel" glyph.
    c = Canvas(16, 16)
    c.draw(union(polyline([(8.5, 3.5), (4.5, 7.5), (8.5, 11.5)], 1.5),
                 polyline([(12.5, 3.5), (8.5, 7.5), (12.5, 11.5)], 1.5)), GLYPH)
    return Image.of(c, HEADER)


# --------------------------------------------------------------------------


def build():
    """Every picture file: (file name, image, width of one image when the file
    is an image list, else 0)."""
    restore = caption_glyph("restore", False), caption_glyph("restore", True)
    maximize = caption_glyph("max", False), caption_glyph("max", True)
    return [
        ("title_bar.bmp", title_bar(), 0),
        ("menu_base.bmp", menu_base(), 0),
        ("menu_mouse_down.bmp", menu_mouse_down(), 0),
        ("c211_restore.bmp", restore[0], 0),
        ("c212_restore_hot.bmp", restore[1], 0),
        ("c221_maximize.bmp", maximize[0], 0),
        ("c222_maximize_hot.bmp", maximize[1], 0),
        ("form_base.bmp", form_base(), 0),
        ("caption_buttons.bmp", caption_list(), 26),
        ("address_frame.bmp", address_frame(), 0),
        ("web_icon.bmp", web_icon(), 16),
        ("search_engine_icon.bmp", search_engine_icon(), 16),
        ("go_search_buttons.bmp", go_search_list(), 28),
        ("side_button.bmp", side_button_list(), 28),
        ("close_page.bmp", close_page_list(), 16),
        ("tab_first_active.bmp", tab_picture(188, True, False), 0),
        ("tab_active.bmp", tab_picture(188, True, False), 0),
        ("tab_active_next.bmp", tab_picture(189, False, False), 0),
        ("tab_first.bmp", tab_picture(187, False, False), 0),
        ("tab_normal.bmp", tab_picture(188, False, True), 0),
        ("tab_right.bmp", tab_end(False), 0),
        ("tab_active_right.bmp", tab_end(True), 0),
        ("tab_bg.bmp", Image.of(strip_background(32)), 0),
        ("right_small_buttons.bmp", right_small_list(), 18),
        ("nav_buttons.bmp", nav_list(), 28),
        ("tree.bmp", tree_list(), 16),
        ("del_node.bmp", del_node_list(), 12),
        ("left_header.bmp", left_header(), 0),
        ("left_panel_button.bmp", left_panel_button_list(), 16),
    ]


# Resource ids: (id, picture of the form design, file). Ids run from 200 in
# this order; append new pictures at the end so existing ids stay put.
RESOURCES = [
    ("IDB_IMAGE_TITLE_BAR", "ImageTitleBar", "title_bar.bmp"),
    ("IDB_IMAGE_MENU_BASE", "ImageMenuBase", "menu_base.bmp"),
    ("IDB_IMAGE_MENU_MOUSE_DOWN", "ImageMenuMouseDown", "menu_mouse_down.bmp"),
    ("IDB_IMAGE_C211", "ImageC211", "c211_restore.bmp"),
    ("IDB_IMAGE_C212", "ImageC212", "c212_restore_hot.bmp"),
    ("IDB_IMAGE_C221", "ImageC221", "c221_maximize.bmp"),
    ("IDB_IMAGE_C222", "ImageC222", "c222_maximize_hot.bmp"),
    ("IDB_IMAGE_FORM_BASE", "ImageFormBase", "form_base.bmp"),
    ("IDB_IMAGE_LIST1", "ImageList1", "caption_buttons.bmp"),
    ("IDB_IMAGE8", "Image8", "address_frame.bmp"),
    ("IDB_IMAGE_LIST_WEB_ICON", "ImageListWebIcon", "web_icon.bmp"),
    ("IDB_IMAGE_WEB_ICON2", "ImageWebIcon2", "web_icon.bmp"),
    ("IDB_IMAGE_LIST3", "ImageList3", "search_engine_icon.bmp"),
    ("IDB_IMAGE_LIST4", "ImageList4", "go_search_buttons.bmp"),
    ("IDB_IMAGE_LIST_SIDE_BUTTON", "ImageListSideButton", "side_button.bmp"),
    ("IDB_IMAGE_LIST_CLOSE_PAGE", "ImageListClosePage", "close_page.bmp"),
    ("IDB_IMAGE_FIRST_ACTIVE_TAB_BUTTON", "ImageFirstActiveTabButton", "tab_first_active.bmp"),
    ("IDB_IMAGE_ACTIVE_TAB_BUTTON", "ImageActiveTabButton", "tab_active.bmp"),
    ("IDB_IMAGE_TAB_ACTIVE_NEXT", "ImageTabActiveNext", "tab_active_next.bmp"),
    ("IDB_IMAGE_FIRST_BUTTON", "ImageFirstButton", "tab_first.bmp"),
    ("IDB_IMAGE_NORMAL_BUTTON", "ImageNormalButton", "tab_normal.bmp"),
    ("IDB_IMAGE_TAB_BUTTON_RIGHT", "ImageTabButtonRight", "tab_right.bmp"),
    ("IDB_IMAGE_TAB_BUTTON_ACTIVE_RIGHT", "ImageTabButtonActiveRight", "tab_active_right.bmp"),
    ("IDB_IMAGE_TAB_BG", "ImageTabBG", "tab_bg.bmp"),
    ("IDB_IMAGE_LIST_RIGHT_SMALL", "ImageListRightSmall", "right_small_buttons.bmp"),
    ("IDB_IMAGE_LIST_B01", "ImageListB01", "nav_buttons.bmp"),
    ("IDB_IL_TREE", "ILTree", "tree.bmp"),
    ("IDB_IMAGE_LIST_DEL_NODE", "ImageListDelNode", "del_node.bmp"),
    ("IDB_IMAGE_LEFT_HEADER", "ImageLeftHeader", "left_header.bmp"),
    ("IDB_IMAGE_LIST_LEFT_PANEL_BUTTON_NORMAL", "ImageListLeftPanelButtonNormal", "left_panel_button.bmp"),
]
FIRST_ID = 200


def write_ids(path, pictures):
    sizes = {name: (im, cx) for name, im, cx in pictures}
    lines = [
        "// Resource ids of the skin pictures. Generated by make_skin.py; plain",
        "// defines only, so that resource scripts and C++ can both include it.",
        "#ifndef LUMO_FRAME_SKIN_SKIN_IDS_H",
        "#define LUMO_FRAME_SKIN_SKIN_IDS_H",
        "",
        "// Transparent key of glyphs, icons and the address frame (COLORREF, magenta).",
        "#define SKIN_KEY_COLOR 0x00FF00FF",
        "",
    ]
    for n, (ident, picture, file) in enumerate(RESOURCES):
        im, cx = sizes[file]
        what = f"{picture}, {cx} x {im.h}, {im.w // cx} image{'s' if im.w // cx > 1 else ''}" if cx else f"{picture}, {im.w} x {im.h}"
        lines += [f"// {what}", f"#define {ident} {FIRST_ID + n}"]
    lines += ["", "// Width of one image of each image list."]
    for ident, _, file in RESOURCES:
        im, cx = sizes[file]
        if cx:
            lines.append(f"#define {ident}_CX {cx}")
    lines += ["", "#endif", ""]
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines))


def write_rc(path):
    lines = [
        "// Skin pictures. Generated by make_skin.py. File names are relative to",
        "// the source root, so the including script is compiled with -I<source root>.",
        '#include "frame/skin/skin_ids.h"',
        "",
    ]
    width = max(len(i) for i, _, _ in RESOURCES)
    for ident, _, file in RESOURCES:
        lines.append(f'{ident:{width}} BITMAP "frame/skin/{file}"')
    lines.append("")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines))


# --------------------------------------------------------------------------
# Checking aids: a contact sheet and a rough mock-up of the main window put
# together the way the owner-drawn controls paint the pictures.


def blank(w, h, color):
    return Image(w, h, [color] * (w * h))


def blit(dst, src, x, y, sx=0, sy=0, w=None, h=None, key=False):
    w = src.w - sx if w is None else w
    h = src.h - sy if h is None else h
    for j in range(h):
        for i in range(w):
            if 0 <= sx + i < src.w and 0 <= sy + j < src.h and 0 <= x + i < dst.w and 0 <= y + j < dst.h:
                p = src.pixels[(sy + j) * src.w + sx + i]
                if key and p == KEY:
                    continue
                dst.pixels[(y + j) * dst.w + x + i] = p


def stretch(dst, src, x, y, w, h, sx=0, sy=0, sw=None, sh=None):
    sw = src.w - sx if sw is None else sw
    sh = src.h - sy if sh is None else sh
    for j in range(h):
        for i in range(w):
            px, py = sx + i * sw // max(1, w), sy + j * sh // max(1, h)
            if 0 <= x + i < dst.w and 0 <= y + j < dst.h and px < src.w and py < src.h:
                dst.pixels[(y + j) * dst.w + x + i] = src.pixels[py * src.w + px]


def list_image(image, cx, index):
    return image.crop(cx * index, 0, cx * index + cx, image.h)


def contact_sheet(pictures, path, width=380):
    """Every picture, lists cut into their images, on a grey card."""
    gap, x, y, row_h = 6, 6, 6, 0
    placed = []
    for _, im, cx in pictures:
        frames = [list_image(im, cx, k) for k in range(im.w // cx)] if cx else [im]
        group_w = sum(f.w + 2 for f in frames) - 2
        if x + min(group_w, width // 2) > width - gap and x > gap:
            x, y, row_h = gap, y + row_h + gap, 0
        for f in frames:
            if x + f.w > width - gap and x > gap:
                x, y, row_h = gap, y + row_h + gap, 0
            placed.append((f, x, y))
            x += f.w + 2
            row_h = max(row_h, f.h)
        x += gap * 2 - 2
    sheet = blank(width, y + row_h + gap, rgb("#8A8F96"))
    for f, fx, fy in placed:
        blit(sheet, f, fx, fy)
    write_png(path, sheet, 4)


def mockup(pictures, path):
    p = {name: im for name, im, _ in pictures}
    W, H = 900, 260
    m = blank(W, H, WHITE)
    # title bar: menu base, title bar under the caption buttons
    stretch(m, p["menu_base.bmp"], 0, 0, W, 26)
    stretch(m, p["title_bar.bmp"], W - 83 - 220, 0, 303, 26)
    stretch(m, rgb_block(rgb("#3B82F6")), 4, 3, 16, 16)
    stretch(m, rgb_block(GLYPH), 27, 9, 110, 8)
    mm = p["menu_mouse_down.bmp"]
    bx, bw = W - 83 - 150, 55
    blit(m, mm, bx, 2, 0, 0, 5, 20)
    blit(m, mm, bx + bw - 5, 2, 55, 0, 5, 20)
    stretch(m, mm, bx + 5, 2, bw - 10, 20, 52, 0, 5, 20)
    cap = p["caption_buttons.bmp"]
    for k, idx in enumerate((0, 4, 2)):
        blit(m, list_image(cap, 26, idx), W - 83 + 26 * k + 1, 1, key=True)
    # address panel
    y0 = 26
    stretch(m, p["form_base.bmp"], 0, y0, W, 41)
    nav = p["nav_buttons.bmp"]
    for k, idx in enumerate((0, 1, 2, 10, 4, 5)):
        blit(m, list_image(nav, 28, idx), 39 * k + 1, y0 + 1 + 4, key=True)
    fr = p["address_frame.bmp"]
    ax0, ax1 = 6 * 39 + 12, W - 36 - 149 - 36
    blit(m, fr, ax0, y0 + 1 + 7, 0, 0, 3, 25, key=True)
    blit(m, fr, ax1 - 3, y0 + 1 + 7, 21, 0, 3, 25, key=True)
    stretch(m, fr, ax0 + 3, y0 + 1 + 7, ax1 - ax0 - 6, 25, 18, 0, 3, 25)
    blit(m, p["web_icon.bmp"], ax0 + 5, y0 + 1 + 11, key=True)
    gs = p["go_search_buttons.bmp"]
    blit(m, list_image(gs, 28, 2), ax1 + 4, y0 + 1 + 4, key=True)
    sx0 = W - 36 - 149
    blit(m, fr, sx0, y0 + 1 + 7, 0, 0, 3, 25, key=True)
    blit(m, fr, sx0 + 149 - 3, y0 + 1 + 7, 21, 0, 3, 25, key=True)
    stretch(m, fr, sx0 + 3, y0 + 1 + 7, 149 - 6, 25, 18, 0, 3, 25)
    blit(m, p["search_engine_icon.bmp"], sx0 + 8, y0 + 1 + 11, key=True)
    blit(m, list_image(gs, 28, 1), W - 36 + 4, y0 + 1 + 4, key=True)
    # tab strip
    y1 = y0 + 41
    stretch(m, p["tab_bg.bmp"], 0, y1, W, 33)
    blit(m, list_image(p["side_button.bmp"], 28, 1), 10, y1, key=True)
    left, tw, active = 35, 170, 1
    for i in range(4):
        pic = p[("tab_first_active" if i == 0 and active == 0 else
                 "tab_active" if i == active else
                 "tab_active_next" if i == active + 1 else
                 "tab_first" if i == 0 else "tab_normal") + ".bmp"]
        L = left + i * tw
        blit(m, pic, L, y1, 0, 0, 22, 33)
        blit(m, pic, L + tw - 21, y1, 167, 0, 22, 33)
        stretch(m, pic, L + 22, y1, tw - 43, 33, 145, 0, 22, 33)
        if i == 3:
            blit(m, p["tab_right.bmp"], L + tw - 1, y1)
            blit(m, list_image(p["right_small_buttons.bmp"], 18, 3), L + tw - 1 + 25 + 2 + 2, y1 + 8, key=True)
        blit(m, p["web_icon.bmp"], L + 22, y1 + 10, key=True)
        stretch(m, rgb_block(GLYPH if i == active else rgb("#6B7280")), L + 44, y1 + 14, 70, 5)
    blit(m, list_image(p["close_page.bmp"], 16, 1), left + 3 * tw - 10, y1 + 10, key=True)
    # side panel and page
    y2 = y1 + 33
    stretch(m, p["form_base.bmp"], 0, y2, 145, H - y2)
    hd = p["left_header.bmp"]
    stretch(m, hd, 0, y2, 145, 25)
    stretch(m, rgb_block(GLYPH), 10, y2 + 9, 70, 6)
    blit(m, mm, 145 - 26, y2 + 2, 0, 0, 5, 20)
    blit(m, mm, 145 - 7, y2 + 2, 55, 0, 5, 20)
    stretch(m, mm, 145 - 21, y2 + 2, 14, 20, 52, 0, 5, 20)
    blit(m, p["left_panel_button.bmp"], 145 - 24, y2 + 4, key=True)
    stretch(m, rgb_block(WHITE), 0, y2 + 25, 145, H - y2 - 25 - 50)
    tree = p["tree.bmp"]
    for k, (idx, ind) in enumerate(((3, 0), (1, 0), (2, 19), (2, 19), (3, 19), (0, 0))):
        blit(m, list_image(tree, 16, idx), 6 + ind, y2 + 30 + 19 * k, key=True)
        stretch(m, rgb_block(GLYPH), 26 + ind, y2 + 36 + 19 * k, 50, 5)
    blit(m, list_image(p["del_node.bmp"], 12, 1), 145 - 14, y2 + 30 + 19 * 2 + 2, key=True)
    stretch(m, hd, 0, H - 52, 145, 25)
    stretch(m, hd, 0, H - 27, 145, 27)
    stretch(m, rgb_block(LINE), 145, y2, 1, H - y2)
    write_png(path, m, 2)


def rgb_block(color):
    return blank(1, 1, color)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--out", default=HERE, help="folder for the BMP files (default: beside this script)")
    ap.add_argument("--sheet", help="also write a contact sheet of all pictures (PNG, 4x)")
    ap.add_argument("--mockup", help="also write a mock-up of the main window's top (PNG, 2x)")
    args = ap.parse_args()
    pictures = build()
    for name, image, _ in pictures:
        write_bmp(os.path.join(args.out, name), image)
        print(f"{name:28} {image.w:4} x {image.h}")
    write_ids(os.path.join(args.out, "skin_ids.h"), pictures)
    write_rc(os.path.join(args.out, "skin.rc"))
    if args.sheet:
        contact_sheet(pictures, args.sheet)
    if args.mockup:
        mockup(pictures, args.mockup)


if __name__ == "__main__":
    main()
