#!/usr/bin/python3
"""Draws the skin's pictures into resources/skin/ (PNG), and skin.rc there,
the resource script that embeds them in the program.

The pictures are ours, drawn here from shapes, gradients and seeded noise;
no other picture goes into them. Every run writes the same bytes (fixed
seeds, no time stamps), and the PNGs are checked in, so building the program
needs no Python. Needs Debian's python3-pil and python3-numpy.

  usage: scripts/gen_skin_art.py [OUT]     (OUT: resources/skin by default)

What is drawn, and where the program shows it (main-window client pixels):
  header_a..h   840 x 205, rows 5..108 shown stretched to W x 103: the title
                sits at the top left, the tabs along the left two thirds of
                the band's lower half, the caption buttons at the top right,
                so each scene keeps its subject right of the tabs and its
                corners calm
  thumb_1..9    68 x 43, skin n for the skin picker
  caption_*     the five caption buttons' faces (close 37 x 19, the rest
                25 x 19), normal, hover and pressed
  skin_*        the skin button: 14 x 14 icon, 28 x 22 hover and pressed faces
  tab_*         the page tabs: 76 x 71 hover and selected backdrops, five
                71 x 48 icons
  title_icon    16 x 16; size_grip 9 x 8
  popup_*       the skin picker: 218 x 174 background, 40 x 30 tab base and
                the two tabs' faces, 68 x 43 thumbnail frames, the 15 x 16
                cell frame and the 206 x 128 palette of the 84 colours
"""
import math
import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
HEADER_W, HEADER_H = 840, 205
BAND_TOP, BAND_BOTTOM = 5, 108  # rows the frame shows

# Frame colours of skins 1..9 (RGB) and whether their captions are black.
FRAME = ["#4DA6DE", "#6AB3DC", "#6FB02B", "#62A1D7", "#599BDD", "#10587C", "#757B7E", "#7F5030",
         "#F886A7"]
CONTENT = (0xEC, 0xEC, 0xEC)

# The palette of the skin picker, COLORREF values (0x00BBGGRR), row by row.
PALETTE = """
00007E 004A84 006774 006A48 565C00 6C4B0B 583100 4C0001 4A002F 400050 350170 202020
000096 005496 008996 00764D 616800 825500 743C00 742E00 410044 3F0166 2E00A4 353535
0000B2 0069AC 01B6C2 0F946A 7A8200 AA7400 864B00 843400 7A0053 560088 3500BE 4F4F4F
0500E6 0791E8 00CFDC 14AD7C 8F9C00 B88600 BE6733 9E4600 86005B 631EA9 4600E6 6E6E6E
2B44D8 0095F4 00E1F0 1FC28E 9DAC00 E49C01 C98944 C56A4A A6317B 700CD7 7366EB 8F8F8F
4169EC 31AFFF 53F0FF 65D4B3 B7C207 F4B801 E89665 C4806B A05789 965FE8 8880F5 ACACAC
759BF2 8AC6F9 8FF5FF 98E1CA C8CC85 F4CB7D DAAB89 CA978D BC89A9 BB9EF1 9C9CF1 C6C6C6
""".split()


# --- colours and layers -------------------------------------------------------------

def rgb(c):
    """(r, g, b) of '#RRGGBB' or of a tuple."""
    if isinstance(c, str):
        c = c.lstrip("#")
        return tuple(int(c[i:i + 2], 16) for i in (0, 2, 4))
    return tuple(c)


def colorref_rgb(v):
    v = int(v, 16)
    return (v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF)


def mix(a, b, t):
    a, b = rgb(a), rgb(b)
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def vertical(w, h, stops):
    """A float RGB array h x w x 3, blended between (row, colour) stops."""
    rows = np.arange(h, dtype=np.float64)
    ys = [s[0] for s in stops]
    out = np.empty((h, w, 3))
    for i in range(3):
        col = np.interp(rows, ys, [rgb(s[1])[i] for s in stops])
        out[:, :, i] = col[:, None]
    return out


def glow(arr, cx, cy, radius, colour, strength, squash=1.0):
    """Blends `colour` into arr around (cx, cy), fading out at `radius`."""
    h, w, _ = arr.shape
    ys, xs = np.mgrid[0:h, 0:w]
    d = np.sqrt((xs - cx) ** 2 + ((ys - cy) / squash) ** 2) / radius
    a = (np.clip(1 - d, 0, 1) ** 2 * strength)[:, :, None]
    arr[:] = arr * (1 - a) + np.array(rgb(colour), dtype=np.float64) * a


def to_image(arr):
    return Image.fromarray(np.clip(np.round(arr), 0, 255).astype(np.uint8), "RGB")


def layer(size):
    return Image.new("RGBA", size, (0, 0, 0, 0))


def over(base, top):
    """top (RGBA) composited over base (RGB or RGBA), same size."""
    return Image.alpha_composite(base.convert("RGBA"), top).convert(base.mode)


def with_alpha(img, alpha):
    """img with its alpha scaled by `alpha` (0..1)."""
    r, g, b, a = img.split()
    a = a.point(lambda v: int(round(v * alpha)))
    return Image.merge("RGBA", (r, g, b, a))


def shaded(mask, top, bottom, box=None):
    """An RGBA layer: `mask` (L) filled with a vertical gradient over box's rows."""
    w, h = mask.size
    y0, y1 = (0, h) if box is None else box
    fill = to_image(vertical(w, h, [(y0, top), (y1, bottom)])).convert("RGBA")
    fill.putalpha(mask)
    return fill


class Noise:
    """Seeded 1-D value noise, smooth (cosine) between lattice points."""

    def __init__(self, seed, size=4096):
        self.values = np.random.RandomState(seed).uniform(-1, 1, size)

    def __call__(self, x):
        x = np.asarray(x, dtype=np.float64)
        i = np.floor(x).astype(int)
        f = x - i
        t = (1 - np.cos(f * math.pi)) / 2
        v = self.values
        return v[i % len(v)] * (1 - t) + v[(i + 1) % len(v)] * t

    def fbm(self, x, octaves=5, gain=0.5):
        total, amp, freq, norm = 0.0, 1.0, 1.0, 0.0
        for o in range(octaves):
            total = total + amp * self(x * freq + 37 * o)
            norm += amp
            amp *= gain
            freq *= 2.0
        return total / norm


# --- header pictures --------------------------------------------------------------
# Drawn at twice the size and halved, so edges come out smooth.
S = 2
SW, SH = HEADER_W * S, HEADER_H * S


def finish_header(img):
    return img.convert("RGB").resize((HEADER_W, HEADER_H), Image.LANCZOS)


def cloud_mask(size, puffs, blur):
    """A cumulus: overlapping round puffs (x, y, r) above a flat base."""
    m = Image.new("L", size, 0)
    d = ImageDraw.Draw(m)
    for x, y, r in puffs:
        d.ellipse((x - r, y - r, x + r, y + r), fill=255)
    base = max(y + r * 0.35 for x, y, r in puffs)
    d.rectangle((0, base, size[0], size[1]), fill=0)
    return m.filter(ImageFilter.GaussianBlur(blur))


def header_a():
    """Clear sky with cumulus clouds: deep blue under the title, pale towards
    the tabs, whose captions are black."""
    arr = vertical(SW, SH, [(0, "#2A78BA"), (40 * S, "#4E9FD6"), (96 * S, "#B4DDF2"),
                            (130 * S, "#D8EFF9"), (SH, "#E6F5FB")])
    glow(arr, 700 * S, 30 * S, 260 * S, "#FFFFFF", 0.25, squash=0.6)
    img = to_image(arr).convert("RGBA")
    rng = np.random.RandomState(11)

    def cloud(cx, cy, scale, alpha):
        puffs = [(cx, cy, 26 * scale), (cx - 30 * scale, cy + 10 * scale, 18 * scale),
                 (cx + 32 * scale, cy + 8 * scale, 21 * scale), (cx + 58 * scale, cy + 18 * scale,
                                                                 13 * scale),
                 (cx - 52 * scale, cy + 20 * scale, 11 * scale), (cx + 12 * scale, cy - 12 * scale,
                                                                  17 * scale)]
        for _ in range(6):
            a = rng.uniform(0, math.pi)
            r = rng.uniform(8, 15) * scale
            puffs.append((cx + math.cos(a) * 40 * scale, cy + 14 * scale - math.sin(a) * 18 * scale,
                          r))
        puffs = [(x * S, y * S, r * S) for x, y, r in puffs]
        mask = cloud_mask((SW, SH), puffs, 2.2 * S)
        top = min(y - r for x, y, r in puffs)
        bottom = max(y + r * 0.35 for x, y, r in puffs)
        body = shaded(mask, "#FFFFFF", "#C9DDEC", (top + (bottom - top) * 0.35, bottom))
        # A soft blue shadow beneath each puff, then the lit body.
        shadow = shaded(mask.filter(ImageFilter.GaussianBlur(6 * S)), "#9CC3DF", "#9CC3DF")
        out = Image.alpha_composite(with_alpha(shadow, 0.35 * alpha), with_alpha(body, alpha))
        return out

    for cx, cy, scale, alpha in [(620, 60, 1.25, 1.0), (470, 76, 0.7, 0.9), (790, 86, 0.6, 0.8),
                                 (320, 88, 0.55, 0.55), (150, 98, 0.6, 0.4), (690, 140, 0.9, 0.8)]:
        img = Image.alpha_composite(img, cloud(cx, cy, scale, alpha))
    return finish_header(img)


def leaf(d, x, y, angle, length, width, colour):
    """A bamboo leaf: a long pointed blade from (x, y) towards `angle`."""
    ca, sa = math.cos(angle), math.sin(angle)
    pts = []
    for i in range(13):
        t = i / 12
        half = width * math.sin(math.pi * min(1.0, t * 1.25)) * (1 - t) ** 0.35 / 2
        pts.append((t * length, half))
    outline = pts + [(px, -py) for px, py in reversed(pts)]
    d.polygon([(x + px * ca - py * sa, y + px * sa + py * ca) for px, py in outline], fill=colour)


def bamboo_stalk(img, x, width, lean, colour, node_gap, seed, alpha=1.0, blur=0.0,
                 leafiness=0.4):
    """A culm from top to bottom with its nodes, lit from the left, and a few
    twigs of leaves at its nodes."""
    rng = np.random.RandomState(seed)
    lay = layer((SW, SH))
    d = ImageDraw.Draw(lay)
    light, dark = mix(colour, "#F4FFD8", 0.35), mix(colour, "#0E2A06", 0.35)
    w = width * S
    for y in range(0, SH, 2):
        cx = x * S + lean * y
        for i in range(int(w)):
            t = i / max(1.0, w - 1)
            c = mix(light, dark, t ** 0.8) if t > 0.25 else mix(light, colour, 1 - t * 4)
            d.line((cx - w / 2 + i, y, cx - w / 2 + i, y + 2), fill=c + (255,))
    y = rng.uniform(-node_gap, 0) * S
    twigs = []
    while y < SH:
        cx = x * S + lean * y
        d.rectangle((cx - w / 2, y - 1.2 * S, cx + w / 2, y + 1.2 * S), fill=dark + (255,))
        d.line((cx - w / 2, y + 1.6 * S, cx + w / 2, y + 1.6 * S), fill=light + (255,), width=S)
        twigs.append((cx, y))
        y += node_gap * S * rng.uniform(0.85, 1.15)
    leaf_colour = mix(colour, "#1B4A0C", 0.3)
    for cx, y in twigs:
        if rng.uniform() < leafiness:
            continue
        # A fan of three to six leaves hanging from a twig off the node.
        side = 1 if rng.uniform() < 0.5 else -1
        tx = cx + side * rng.uniform(10, 26) * S * width / 14
        ty = y + rng.uniform(-8, 4) * S
        d.line((cx, y, tx, ty), fill=dark + (255,), width=max(1, int(S * width / 10)))
        for k in range(rng.randint(3, 7)):
            droop = rng.uniform(0.35, 1.25)
            a = droop if side > 0 else math.pi - droop
            length = rng.uniform(40, 66) * S * (0.55 + width / 30)
            shade = mix(leaf_colour, "#0F3305", rng.uniform(0, 0.55))
            leaf(d, tx, ty, a, length, length * 0.15, shade + (255,))
    if blur:
        lay = lay.filter(ImageFilter.GaussianBlur(blur * S))
    return Image.alpha_composite(img, with_alpha(lay, alpha))


def header_b():
    """A bamboo grove in morning light: far culms pale in the haze, near ones
    dark and sharp, most of them right of the tabs."""
    arr = vertical(SW, SH, [(0, "#3C7A1C"), (60 * S, "#5D9A2A"), (108 * S, "#6FAE33"),
                            (SH, "#4E8A22")])
    glow(arr, 640 * S, 40 * S, 300 * S, "#E6F5B0", 0.55, squash=0.7)
    img = to_image(arr).convert("RGBA")
    far = [(180, 7, 0.02), (260, 5, -0.01), (430, 8, 0.015), (520, 6, -0.02), (600, 9, 0.01),
           (700, 7, -0.015), (790, 8, 0.02), (90, 6, 0.01), (350, 6, -0.02)]
    for i, (x, wd, lean) in enumerate(far):
        img = bamboo_stalk(img, x, wd, lean, "#9CCB62", 58, 100 + i, alpha=0.45, blur=1.6,
                           leafiness=0.7)
    mid = [(480, 11, 0.03), (655, 12, -0.025), (760, 10, 0.02), (300, 9, 0.04)]
    for i, (x, wd, lean) in enumerate(mid):
        img = bamboo_stalk(img, x, wd, lean, "#4F8F25", 66, 200 + i, alpha=0.8, blur=0.6)
    near = [(560, 16, -0.04), (820, 18, 0.03)]
    for i, (x, wd, lean) in enumerate(near):
        img = bamboo_stalk(img, x, wd, lean, "#2F6A17", 74, 300 + i)
    return finish_header(img)


def seigaiha(size, radius, rings, line, fill_rows, fade):
    """Rows of overlapping wave scales (concentric half rings), each row
    drawn over the one above it; fade(x, y) gives each scale's opacity."""
    lay = layer(size)
    d = ImageDraw.Draw(lay)
    w, h = size
    row = 0
    y = -radius
    while y < h + radius:
        offset = 0 if row % 2 == 0 else radius
        x = -radius + offset
        while x < w + radius:
            a = fade(x, y)
            if a > 0.01:
                fill = fill_rows(y)
                d.ellipse((x - radius, y - radius, x + radius, y + radius), fill=fill + (255,))
                ink = mix(fill, line, a) + (255,)
                for k in range(rings):
                    r = radius * (1 - k / rings) - S
                    d.ellipse((x - r, y - r, x + r, y + r), outline=ink, width=max(1, int(1.1 * S)))
            else:
                d.ellipse((x - radius, y - radius, x + radius, y + radius), fill=fill_rows(y) + (255,))
            x += 2 * radius
        y += radius / 2
        row += 1
    return lay


def header_c():
    """Waves: rows of wave scales rising out of the sea on the right, fading
    into a clear blue towards the tabs."""
    stops = [(0, "#2B6DAE"), (70 * S, "#4C8ECF"), (120 * S, "#6FAAE0"), (SH, "#3E7FC1")]
    arr = vertical(SW, SH, stops)
    glow(arr, 560 * S, 60 * S, 380 * S, "#BFE0FA", 0.35, squash=0.5)
    img = to_image(arr)
    col = img.resize((1, SH)).load()

    def fade(x, y):
        across = (x - 330 * S) / (300 * S)
        down = (y - 20 * S) / (70 * S)
        return max(0.0, min(1.0, across)) * (0.25 + 0.75 * max(0.0, min(1.0, down))) * 0.6

    waves = seigaiha((SW, SH), 30 * S, 4, (226, 242, 255),
                     lambda y: col[0, int(max(0, min(SH - 1, y)))][:3], fade)
    ys, xs = np.mgrid[0:SH, 0:SW]
    ramp = np.clip((xs - 320 * S) / (280 * S), 0, 1) * np.clip((ys - 8 * S) / (60 * S), 0, 1)
    mask = Image.fromarray((ramp * 255).astype(np.uint8), "L")
    waves.putalpha(mask)
    out = Image.alpha_composite(img.convert("RGBA"), waves)
    return finish_header(out)


def split_convex(poly, point, angle):
    """The two halves of a convex polygon cut by the line through `point`."""
    nx, ny = -math.sin(angle), math.cos(angle)
    side = [(x - point[0]) * nx + (y - point[1]) * ny for x, y in poly]
    halves = ([], [])
    for i in range(len(poly)):
        j = (i + 1) % len(poly)
        a, b, sa, sb = poly[i], poly[j], side[i], side[j]
        if sa >= 0:
            halves[0].append(a)
        if sa <= 0:
            halves[1].append(a)
        if sa * sb < 0:
            t = sa / (sa - sb)
            cut = (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t)
            halves[0].append(cut)
            halves[1].append(cut)
    return [h for h in halves if len(h) >= 3]


def area(poly):
    return abs(sum(poly[i][0] * poly[(i + 1) % len(poly)][1] -
                   poly[(i + 1) % len(poly)][0] * poly[i][1] for i in range(len(poly)))) / 2


def ice_cracks(box, smallest, seed):
    """冰裂纹: a panel split again and again by straight cuts, as ice cracks."""
    rng = np.random.RandomState(seed)
    x0, y0, x1, y1 = box
    todo, done = [[(x0, y0), (x1, y0), (x1, y1), (x0, y1)]], []
    while todo:
        p = todo.pop()
        if area(p) < smallest:
            done.append(p)
            continue
        cx = sum(q[0] for q in p) / len(p) + rng.uniform(-0.15, 0.15) * (x1 - x0) * 0.1
        cy = sum(q[1] for q in p) / len(p) + rng.uniform(-0.15, 0.15) * (y1 - y0) * 0.1
        todo.extend(split_convex(p, (cx, cy), rng.uniform(0, math.pi)))
    return done


def header_d():
    """A round lattice window (冰裂纹) with the light sky seen through it, and
    the same lattice faint on the wall around it, fading towards the tabs."""
    arr = vertical(SW, SH, [(0, "#3675B9"), (60 * S, "#4E8ED3"), (108 * S, "#67A4E0"),
                            (SH, "#4D8BCB")])
    img = to_image(arr).convert("RGBA")
    cx, cy, r = 622 * S, 57 * S, 45 * S
    # The wall's faint lattice.
    wall = layer((SW, SH))
    d = ImageDraw.Draw(wall)
    for p in ice_cracks((300 * S, -10 * S, SW + 10 * S, SH + 10 * S), (44 * S) ** 2, 5):
        d.polygon(p, outline=(214, 234, 252, 255), width=int(1.2 * S))
    ys, xs = np.mgrid[0:SH, 0:SW]
    fade = np.clip((xs - 340 * S) / (260 * S), 0, 1) * 0.16
    wall.putalpha(Image.fromarray((np.array(wall.split()[3]) * fade).astype(np.uint8), "L"))
    img = Image.alpha_composite(img, wall)
    # The view through the window, then its lattice bars and its round frame.
    view = vertical(SW, SH, [(cy - r, "#A9D3F5"), (cy + r, "#E4F2FC")])
    glow(view, cx + 12 * S, cy - 8 * S, r * 1.2, "#FFFFFF", 0.6)
    disk = Image.new("L", (SW, SH), 0)
    ImageDraw.Draw(disk).ellipse((cx - r, cy - r, cx + r, cy + r), fill=255)
    view_img = to_image(view).convert("RGBA")
    view_img.putalpha(disk)
    img = Image.alpha_composite(img, view_img)
    bars = layer((SW, SH))
    d = ImageDraw.Draw(bars)
    for p in ice_cracks((cx - r, cy - r, cx + r, cy + r), (25 * S) ** 2, 9):
        d.polygon(p, outline=(52, 104, 164, 255), width=int(1.8 * S))
    bars.putalpha(Image.fromarray(np.minimum(np.array(bars.split()[3]), np.array(disk)), "L"))
    shadow = bars.filter(ImageFilter.GaussianBlur(1.5 * S))
    img = Image.alpha_composite(img, with_alpha(shadow, 0.5))
    img = Image.alpha_composite(img, bars)
    ring = layer((SW, SH))
    d = ImageDraw.Draw(ring)
    d.ellipse((cx - r - 5 * S, cy - r - 5 * S, cx + r + 5 * S, cy + r + 5 * S),
              outline=(22, 70, 130, 110), width=int(2 * S))
    d.ellipse((cx - r - 3 * S, cy - r - 3 * S, cx + r + 3 * S, cy + r + 3 * S),
              outline=(216, 235, 252, 255), width=int(4 * S))
    d.ellipse((cx - r, cy - r, cx + r, cy + r), outline=(30, 84, 150, 255), width=int(1.5 * S))
    img = Image.alpha_composite(img, ring)
    return finish_header(img)


def header_e():
    """A starry night: a full moon and its halo over dark hills, stars
    thickening along a faint milky way."""
    arr = vertical(SW, SH, [(0, "#041C33"), (50 * S, "#09365A"), (100 * S, "#135C80"),
                            (SH, "#0C4462")])
    rng = np.random.RandomState(6)
    # The milky way: a soft diagonal band of light.
    ys, xs = np.mgrid[0:SH, 0:SW]
    dist = np.abs((xs - 360 * S) * 0.22 - (ys - 30 * S)) / (26 * S)
    band = np.clip(1 - dist, 0, 1) ** 2 * np.clip((xs - 200 * S) / (300 * S), 0, 1)
    arr += band[:, :, None] * np.array([30.0, 42.0, 58.0])
    moon_x, moon_y, moon_r = 612 * S, 50 * S, 15 * S
    glow(arr, moon_x, moon_y, 95 * S, "#7FB4CF", 0.55)
    glow(arr, moon_x, moon_y, 40 * S, "#CFE6F0", 0.5)
    img = to_image(arr).convert("RGBA")
    stars = layer((SW, SH))
    d = ImageDraw.Draw(stars)
    for i in range(520):
        x, y = rng.uniform(0, SW), rng.uniform(0, 112 * S)
        if x < 420 * S and rng.uniform() < 0.6:
            continue
        if math.hypot(x - moon_x, y - moon_y) < 42 * S:
            continue
        near_band = math.exp(-abs((x - 360 * S) * 0.22 - (y - 30 * S)) / (18 * S))
        if rng.uniform() > 0.35 + 0.65 * near_band:
            continue
        size = rng.uniform(0.3, 1.0) ** 4 * 1.8 * S + 0.45 * S
        a = int(rng.uniform(0.35, 1.0) * 255)
        tint = mix("#FFFFFF", "#BFD8FF" if rng.uniform() < 0.5 else "#FFF1C9", rng.uniform(0, 0.6))
        d.ellipse((x - size, y - size, x + size, y + size), fill=tint + (a,))
    halo = stars.filter(ImageFilter.GaussianBlur(2 * S))
    img = Image.alpha_composite(img, with_alpha(halo, 0.9))
    img = Image.alpha_composite(img, stars)
    moon = layer((SW, SH))
    d = ImageDraw.Draw(moon)
    d.ellipse((moon_x - moon_r, moon_y - moon_r, moon_x + moon_r, moon_y + moon_r),
              fill=(250, 246, 228, 255))
    for mx, my, mr in [(-5, -3, 4), (4, 5, 3), (6, -6, 2.5), (-3, 7, 2)]:
        d.ellipse((moon_x + (mx - mr) * S, moon_y + (my - mr) * S, moon_x + (mx + mr) * S,
                   moon_y + (my + mr) * S), fill=(226, 224, 206, 255))
    img = Image.alpha_composite(img, moon.filter(ImageFilter.GaussianBlur(0.6 * S)))
    # Two ranges of hills, the nearer one darker.
    noise = Noise(61)
    for base, height, colour, scale in [(92, 16, "#0B3A52", 120.0), (104, 12, "#062638", 70.0)]:
        x = np.arange(SW) / S
        ridge = (base - height * (0.5 + 0.5 * noise.fbm(x / scale + base, 4))) * S
        hill = Image.new("L", (SW, SH), 0)
        ImageDraw.Draw(hill).polygon([(0, SH)] + [(i, float(ridge[i])) for i in range(0, SW, 2)] +
                                     [(SW, SH)], fill=255)
        img = Image.alpha_composite(img, shaded(hill, colour, mix(colour, "#000000", 0.3)))
    return finish_header(img)


def ridge_layer(noise, base, height, scale, peaks, octaves=5):
    """Heights of a mountain ridge across the picture: seeded noise with a
    few broad peaks (x, height, width) added."""
    x = np.arange(SW) / S
    y = base - height * (0.5 + 0.5 * noise.fbm(x / scale, octaves))
    for px, ph, pw in peaks:
        y = y - ph * np.exp(-((x - px) / pw) ** 2)
    return y * S


def header_f():
    """Ink-wash mountains: ranges fading into mist, the farthest peaks pale
    on the right, a dark near range along the bottom."""
    arr = vertical(SW, SH, [(0, "#656C70"), (55 * S, "#8F9598"), (95 * S, "#B8BCBD"),
                            (SH, "#C4C7C7")])
    img = to_image(arr).convert("RGBA")
    ranges = [
        (78, 16, 90.0, [(650, 44, 36), (728, 30, 24), (560, 20, 32)], "#8A9194", 11),
        (92, 18, 60.0, [(480, 22, 34), (795, 30, 28)], "#697074", 12),
        (102, 14, 45.0, [(620, 12, 50), (250, 6, 80)], "#4A5155", 13),
        (114, 12, 30.0, [(420, 6, 50)], "#2F3437", 14),
    ]
    for base, height, scale, peaks, colour, seed in ranges:
        ridge = ridge_layer(Noise(seed), base, height, scale, peaks)
        mask = Image.new("L", (SW, SH), 0)
        ImageDraw.Draw(mask).polygon([(0, SH)] + [(i, float(ridge[i])) for i in range(0, SW, 2)] +
                                     [(SW, SH)], fill=255)
        # Ink gathers at the ridge and thins into the mist below it.
        top = float(ridge.min())
        ink = np.array(mask, dtype=np.float64) / 255
        depth = np.clip((np.arange(SH)[:, None] - ridge[None, :]) / (26 * S), 0, 1)
        alpha = ink * (1 - 0.85 * depth ** 0.7)
        lay = to_image(np.dstack([np.full((SH, SW), c, dtype=np.float64) for c in rgb(colour)]))
        lay = lay.convert("RGBA")
        lay.putalpha(Image.fromarray((alpha * 255).astype(np.uint8), "L"))
        lay = lay.filter(ImageFilter.GaussianBlur(0.7 * S))
        img = Image.alpha_composite(img, lay)
        # Mist drifting in front of the range.
        mist = np.zeros((SH, SW))
        n = Noise(seed + 50)
        line = (np.max(ridge) + top) / 2 + 6 * S
        wave = 0.5 + 0.5 * n.fbm(np.arange(SW) / S / 70, 3)
        rows = np.exp(-((np.arange(SH)[:, None] - line) / (8 * S)) ** 2)
        mist = rows * wave[None, :] * 0.45
        fog = Image.new("RGBA", (SW, SH), (214, 218, 219, 0))
        fog.putalpha(Image.fromarray((mist * 255).astype(np.uint8), "L"))
        img = Image.alpha_composite(img, fog)
    return finish_header(img)


def pagoda(d, x, base, height, colour):
    """A seven-storey pagoda seen from afar, by its outline."""
    storeys = 7
    w = height * 0.32
    y = base
    for k in range(storeys):
        h = height / (storeys + 1.5)
        sw = w * (1 - k * 0.09)
        d.polygon([(x - sw * 0.55, y), (x + sw * 0.55, y), (x + sw * 0.4, y - h * 0.7),
                   (x - sw * 0.4, y - h * 0.7)], fill=colour)
        d.polygon([(x - sw * 0.72, y - h * 0.62), (x + sw * 0.72, y - h * 0.62),
                   (x + sw * 0.3, y - h), (x - sw * 0.3, y - h)], fill=colour)
        y -= h
    d.polygon([(x - 1.2 * S, y), (x + 1.2 * S, y), (x, y - height * 0.16)], fill=colour)


def goose(d, x, y, span, colour, flap):
    d.line([(x - span, y - flap), (x - span * 0.35, y - flap * 0.2), (x, y),
            (x + span * 0.35, y - flap * 0.2), (x + span, y - flap)], fill=colour,
           width=int(1.3 * S), joint="curve")


def header_g():
    """Autumn dusk: the sun setting behind far hills and a pagoda, a skein of
    wild geese flying south over the warm sky."""
    arr = vertical(SW, SH, [(0, "#3F2210"), (45 * S, "#744222"), (88 * S, "#B8733A"),
                            (108 * S, "#D08A44"), (SH, "#6E3E1C")])
    sun_x, sun_y = 640 * S, 84 * S
    glow(arr, sun_x, sun_y, 300 * S, "#F0A850", 0.55, squash=0.45)
    glow(arr, sun_x, sun_y, 70 * S, "#FFD98A", 0.6)
    img = to_image(arr).convert("RGBA")
    sun = layer((SW, SH))
    ImageDraw.Draw(sun).ellipse((sun_x - 19 * S, sun_y - 19 * S, sun_x + 19 * S, sun_y + 19 * S),
                                fill=(255, 226, 150, 235))
    img = Image.alpha_composite(img, sun.filter(ImageFilter.GaussianBlur(1.2 * S)))
    for base, height, scale, peaks, colour, seed in [
            (94, 14, 80.0, [(700, 18, 35), (520, 10, 45)], "#8A4E26", 31),
            (106, 12, 50.0, [(760, 14, 40), (300, 8, 60)], "#4A2812", 32)]:
        ridge = ridge_layer(Noise(seed), base, height, scale, peaks, 4)
        hill = Image.new("L", (SW, SH), 0)
        ImageDraw.Draw(hill).polygon([(0, SH)] + [(i, float(ridge[i])) for i in range(0, SW, 2)] +
                                     [(SW, SH)], fill=255)
        img = Image.alpha_composite(img, shaded(hill, colour, mix(colour, "#1E0E04", 0.4)))
        if seed == 31:
            d = ImageDraw.Draw(img)
            px = 706 * S
            pagoda(d, px, float(ridge[px]) + 2 * S, 34 * S, rgb("#7A4320") + (255,))
    geese = layer((SW, SH))
    d = ImageDraw.Draw(geese)
    rng = np.random.RandomState(8)
    lead_x, lead_y = 470, 34
    for k in range(9):
        arm = (k + 1) // 2
        side = 1 if k % 2 else -1
        if k == 0:
            side = 0
        x = lead_x + arm * 15 + rng.uniform(-1.5, 1.5)
        y = lead_y + side * arm * 6.5 + rng.uniform(-1, 1)
        goose(d, x * S, y * S, 4.2 * S, (52, 26, 10, 230), rng.uniform(0.6, 2.4) * S)
    img = Image.alpha_composite(img, geese)
    return finish_header(img)


def branch(d, rng, path, width0, width1, shoots, tips, colour):
    """A plum branch along `path` (points in picture pixels), crooked a
    little at every knot and thinning from width0 to width1, with `shoots`
    short twigs rising from it. Twig ends and knots go into `tips`."""
    pts = []
    for i in range(len(path) - 1):
        (x0, y0), (x1, y1) = path[i], path[i + 1]
        for k in range(4):
            t = k / 4
            pts.append(((x0 + (x1 - x0) * t + rng.uniform(-3, 3)) * S,
                        (y0 + (y1 - y0) * t + rng.uniform(-3, 3)) * S))
    pts.append((path[-1][0] * S, path[-1][1] * S))
    for i in range(len(pts) - 1):
        w = (width0 + (width1 - width0) * i / (len(pts) - 1)) * S
        (x0, y0), (x1, y1) = pts[i], pts[i + 1]
        d.line((x0, y0, x1, y1), fill=colour, width=max(1, int(w)))
        d.ellipse((x1 - w / 2, y1 - w / 2, x1 + w / 2, y1 + w / 2), fill=colour)
        tips.append((x1, y1, w))
    for _ in range(shoots):
        i = rng.randint(1, len(pts) - 1)
        x, y = pts[i]
        angle = -math.pi / 2 + rng.uniform(-1.1, 1.1)
        w = max(1.2, (width0 + (width1 - width0) * i / len(pts)) * 0.45) * S
        for _ in range(rng.randint(2, 5)):
            angle += rng.uniform(-0.3, 0.3)
            nx, ny = x + math.cos(angle) * 11 * S, y + math.sin(angle) * 11 * S
            if ny < 8 * S or (nx > 650 * S and ny < 36 * S):
                break
            d.line((x, y, nx, ny), fill=colour, width=max(1, int(w)))
            tips.append((nx, ny, w))
            x, y, w = nx, ny, w * 0.8


def blossom(d, x, y, r, rot, petal, heart):
    for k in range(5):
        a = rot + k * 2 * math.pi / 5
        px, py = x + math.cos(a) * r * 0.55, y + math.sin(a) * r * 0.55
        d.ellipse((px - r * 0.52, py - r * 0.52, px + r * 0.52, py + r * 0.52), fill=petal)
    d.ellipse((x - r * 0.28, y - r * 0.28, x + r * 0.28, y + r * 0.28), fill=heart)
    for k in range(7):
        a = rot + k * 2 * math.pi / 7
        tx, ty = x + math.cos(a) * r * 0.42, y + math.sin(a) * r * 0.42
        d.ellipse((tx - S * 0.6, ty - S * 0.6, tx + S * 0.6, ty + S * 0.6), fill=(226, 160, 50, 255))


def header_h():
    """Plum blossom: a dark branch reaching in from the right, flowers and
    buds along it, a few petals drifting; pale pink under the tabs, whose
    captions are black."""
    arr = vertical(SW, SH, [(0, "#D8628A"), (38 * S, "#EC8FAE"), (82 * S, "#FBCFDD"),
                            (SH, "#FDE6EE")])
    glow(arr, 560 * S, 60 * S, 280 * S, "#FFF4F7", 0.45, squash=0.6)
    img = to_image(arr).convert("RGBA")
    rng = np.random.RandomState(21)
    wood = layer((SW, SH))
    d = ImageDraw.Draw(wood)
    tips = []
    wood_colour = (74, 40, 34, 255)
    branch(d, rng, [(850, 112), (780, 84), (700, 66), (620, 60), (540, 68), (480, 84)], 11, 2,
           14, tips, wood_colour)
    branch(d, rng, [(712, 66), (690, 46), (650, 38), (610, 30)], 5, 1.5, 4, tips, wood_colour)
    branch(d, rng, [(600, 60), (575, 88), (548, 100)], 4, 1.5, 3, tips, wood_colour)
    soft = wood.filter(ImageFilter.GaussianBlur(2 * S))
    img = Image.alpha_composite(img, with_alpha(soft, 0.25))
    img = Image.alpha_composite(img, wood)
    flowers = layer((SW, SH))
    d = ImageDraw.Draw(flowers)
    for x, y, w in tips:
        if x < 440 * S or (x > 660 * S and y < 34 * S) or rng.uniform() < 0.58:
            continue
        if rng.uniform() < 0.3:
            r = rng.uniform(2.2, 3.4) * S
            d.ellipse((x - r, y - r, x + r, y + r), fill=(196, 48, 90, 255))
            continue
        r = rng.uniform(7, 11) * S
        ox, oy = rng.uniform(-4, 4) * S, rng.uniform(-4, 4) * S
        petal = mix("#FFFFFF", "#F7B7CB", rng.uniform(0.1, 0.6)) + (250,)
        blossom(d, x + ox, y + oy, r, rng.uniform(0, math.pi), petal, (246, 196, 120, 255))
    for _ in range(9):
        x, y = rng.uniform(420, 760) * S, rng.uniform(30, 104) * S
        r = rng.uniform(2, 3.2) * S
        d.ellipse((x - r, y - r * 0.7, x + r, y + r * 0.7), fill=(255, 240, 245, 200))
    img = Image.alpha_composite(img, flowers)
    return finish_header(img)


HEADERS = {"a": header_a, "b": header_b, "c": header_c, "d": header_d, "e": header_e,
           "f": header_f, "g": header_g, "h": header_h}


# --- small pictures ---------------------------------------------------------------
# Drawn Z times larger and reduced with their alpha premultiplied, so that
# edges are smooth and no dark fringe creeps in.
Z = 8


class Canvas:
    """An RGBA picture of w x h drawn at Z times its size; coordinates of
    every call are in final pixels."""

    def __init__(self, w, h, z=Z):
        self.w, self.h, self.z = w, h, z
        self.img = layer((w * z, h * z))

    def draw(self):
        return ImageDraw.Draw(self.img)

    def p(self, *xy):
        return [v * self.z for v in xy]

    def paste(self, lay):
        self.img = Image.alpha_composite(self.img, lay)

    def new(self):
        return layer(self.img.size)

    def rounded(self, box, radius, fill=None, outline=None, width=1, target=None):
        d = ImageDraw.Draw(target if target is not None else self.img)
        d.rounded_rectangle(self.p(*box), radius * self.z, fill=fill, outline=outline,
                            width=int(width * self.z) if outline else 0)

    def gradient(self, mask_draw, top, bottom, y0=0, y1=None):
        """Fills the shape mask_draw(draw) draws (in white) with a vertical
        gradient between rows y0 and y1 (final pixels), alpha included."""
        y1 = self.h if y1 is None else y1
        mask = Image.new("L", self.img.size, 0)
        mask_draw(ImageDraw.Draw(mask))
        top, bottom = tuple(top), tuple(bottom)
        rows = np.arange(self.img.size[1]) / self.z
        t = np.clip((rows - y0) / max(1e-6, y1 - y0), 0, 1)[:, None]
        arr = np.zeros((self.img.size[1], self.img.size[0], 4))
        for i in range(4):
            arr[:, :, i] = top[i] + (bottom[i] - top[i]) * t
        arr[:, :, 3] *= np.array(mask, dtype=np.float64) / 255
        self.paste(Image.fromarray(np.round(arr).astype(np.uint8), "RGBA"))

    def shadow(self, dx, dy, blur, alpha):
        """A soft shadow of what is drawn so far, put under it."""
        a = self.img.split()[3].filter(ImageFilter.GaussianBlur(blur * self.z))
        sh = Image.new("RGBA", self.img.size, (0, 0, 0, 0))
        sh.putalpha(a.point(lambda v: int(v * alpha)))
        moved = layer(self.img.size)
        moved.paste(sh, (int(dx * self.z), int(dy * self.z)))
        self.img = Image.alpha_composite(moved, self.img)

    def result(self):
        small = self.img.convert("RGBa").resize((self.w, self.h), Image.LANCZOS)
        return small.convert("RGBA")


def rgba(c, a=255):
    return rgb(c) + (a,)


def letter_a(c, cx, top, height, colour, stroke):
    """A serif capital A from strokes: two legs, a crossbar, feet."""
    d = c.draw()
    half = height * 0.42
    apex = (cx, top)
    left, right = (cx - half, top + height), (cx + half, top + height)
    d.line(c.p(*apex, *left), fill=colour, width=int(stroke * 0.75 * c.z))
    d.line(c.p(*apex, *right), fill=colour, width=int(stroke * c.z))
    bar = top + height * 0.62
    d.line(c.p(cx - half * 0.62, bar, cx + half * 0.62, bar), fill=colour,
           width=int(stroke * 0.55 * c.z))
    foot = stroke * 1.1
    for x in (left[0], right[0]):
        d.line(c.p(x - foot, top + height - stroke * 0.25, x + foot, top + height - stroke * 0.25),
               fill=colour, width=int(stroke * 0.5 * c.z))
    d.polygon(c.p(cx - stroke * 0.5, top - stroke * 0.1, cx + stroke * 0.5, top - stroke * 0.1,
                  cx, top + stroke), fill=colour)


def gear(c, cx, cy, r, teeth, colour, hole):
    pts = []
    for i in range(teeth * 4):
        a = i * 2 * math.pi / (teeth * 4)
        rr = r if (i // 2) % 2 == 0 else r * 0.74
        pts += [cx + math.cos(a) * rr, cy + math.sin(a) * rr]
    d = c.draw()
    d.polygon(c.p(*pts), fill=colour)
    d.ellipse(c.p(cx - r * 0.32, cy - r * 0.32, cx + r * 0.32, cy + r * 0.32), fill=hole)


def tab_icon(k):
    """The five page tabs' icons, 71 x 48, a glyph about 44 pixels across in
    the middle, lit from above with a soft shadow, readable on every header."""
    c = Canvas(71, 48)
    cx = 35.5
    if k == 1:  # 字体下载: a cloud with an arrow coming down out of it
        def cloud(d):
            for x, y, r in [(cx - 10, 22, 9), (cx + 1, 16, 12), (cx + 12, 23, 8)]:
                d.ellipse(c.p(x - r, y - r, x + r, y + r), fill=255)
            d.rounded_rectangle(c.p(cx - 19, 20, cx + 20, 31), 5.5 * c.z, fill=255)
        c.gradient(cloud, rgba("#DDF3FF"), rgba("#62B4F0"), 4, 31)
        d = c.draw()
        arrow = [cx - 4, 21, cx + 4, 21, cx + 4, 32, cx + 10, 32, cx, 43, cx - 10, 32, cx - 4, 32]
        c.gradient(lambda m: m.polygon(c.p(*arrow), fill=255), rgba("#7CDB6A"), rgba("#23923A"),
                   21, 43)
        d = c.draw()
        d.line(c.p(cx - 3, 22.5, cx + 3, 22.5), fill=rgba("#C8F5BE"), width=c.z)
    elif k == 2:  # 字体管理: a letter tile with a gear
        c.gradient(lambda m: m.rounded_rectangle(c.p(cx - 16, 4, cx + 12, 40), 4 * c.z, fill=255),
                   rgba("#FFFFFF"), rgba("#D9E6F2"), 4, 40)
        c.rounded((cx - 16, 4, cx + 12, 40), 4, outline=rgba("#5B8DC0"),
                  width=1.2)
        letter_a(c, cx - 2.5, 10, 21, rgba("#1F5A9A"), 3.6)
        gear(c, cx + 12, 34, 9, 8, rgba("#F29A2E"), rgba("#FFF3DA"))
    elif k == 3:  # 我的字体: a folder with a letter tile in it
        c.gradient(lambda m: m.polygon(c.p(cx - 20, 8, cx - 7, 8, cx - 3, 12, cx + 20, 12,
                                           cx + 20, 40, cx - 20, 40), fill=255),
                   rgba("#F7C24A"), rgba("#D48A14"), 8, 40)
        c.gradient(lambda m: m.rounded_rectangle(c.p(cx - 11, 2, cx + 11, 30), 2 * c.z, fill=255),
                   rgba("#FFFFFF"), rgba("#E4ECF4"), 2, 30)
        letter_a(c, cx, 5, 14, rgba("#C0392B"), 2.8)
        c.gradient(lambda m: m.polygon(c.p(cx - 21, 22, cx + 21, 22, cx + 19, 41, cx - 19, 41),
                                       fill=255), rgba("#FFDF7E"), rgba("#F0A21E"), 22, 41)
        d = c.draw()
        d.line(c.p(cx - 20, 22.6, cx + 20, 22.6), fill=rgba("#FFF1C2"), width=c.z)
    elif k == 4:  # 回收站: a bin with its lid
        body = [cx - 14, 14, cx + 14, 14, cx + 11, 42, cx - 11, 42]
        c.gradient(lambda m: m.polygon(c.p(*body), fill=255), rgba("#CFE3EE"), rgba("#6F98B2"),
                   14, 42)
        d = c.draw()
        for x in (-6, 0, 6):
            d.line(c.p(cx + x, 18, cx + x * 0.85, 38), fill=rgba("#4F7892"), width=int(2 * c.z))
            d.line(c.p(cx + x + 1.2, 18, cx + x * 0.85 + 1.2, 38), fill=rgba("#F2F8FB", 180),
                   width=int(0.8 * c.z))
        c.gradient(lambda m: m.rounded_rectangle(c.p(cx - 17, 8, cx + 17, 14), 2 * c.z, fill=255),
                   rgba("#E6F1F7"), rgba("#7FA6BE"), 8, 14)
        c.gradient(lambda m: m.rounded_rectangle(c.p(cx - 5, 4, cx + 5, 9), 2 * c.z, fill=255),
                   rgba("#E6F1F7"), rgba("#7FA6BE"), 4, 9)
        c.rounded((cx - 17, 8, cx + 17, 14), 2, outline=rgba("#4F7892"), width=0.8)
    else:  # 字体备份: a disk being saved, with a round arrow
        c.gradient(lambda m: m.rounded_rectangle(c.p(cx - 17, 5, cx + 15, 37), 3 * c.z, fill=255),
                   rgba("#6FA8E8"), rgba("#2A5FA8"), 5, 37)
        c.rounded((cx - 11, 5, cx + 9, 16), 1, fill=rgba("#E9EEF3"))
        c.rounded((cx + 2, 7, cx + 6, 14), 0.5, fill=rgba("#2A5FA8"))
        c.rounded((cx - 12, 22, cx + 10, 37), 1.5, fill=rgba("#FFFFFF"))
        d = c.draw()
        for y in (26, 30, 34):
            d.line(c.p(cx - 9, y, cx + 7, y), fill=rgba("#9DB5CF"), width=int(0.9 * c.z))
        # A green round arrow at the lower right.
        ax, ay, ar = cx + 14, 34, 8
        d.arc(c.p(ax - ar, ay - ar, ax + ar, ay + ar), 200, 500, fill=rgba("#2FA84F"),
              width=int(3.2 * c.z))
        tip_a = math.radians(500 - 360)
        tx, ty = ax + math.cos(tip_a) * ar, ay + math.sin(tip_a) * ar
        d.polygon(c.p(tx - 4.5, ty - 1, tx + 3, ty - 4.5, tx + 2.2, ty + 4), fill=rgba("#2FA84F"))
    c.shadow(0.6, 1.4, 1.3, 0.45)
    return c.result()


# The pane under a caption button's glyph by (look, is the close button):
# gradient top, gradient bottom and outline. The normal look has none.
CAPTION_PANES = {
    ("hover", True): (rgba("#F36B6B"), rgba("#D93636"), rgba("#A32121", 200)),
    ("hover", False): ((255, 255, 255, 110), (255, 255, 255, 60), (255, 255, 255, 150)),
    ("pressed", True): (rgba("#B82828"), rgba("#D03A3A"), rgba("#7E1414", 220)),
    ("pressed", False): ((0, 0, 0, 80), (0, 0, 0, 40), (0, 0, 0, 90)),
}


def caption_face(k, look):
    """A caption button's face: close 37 x 19, the others 25 x 19. A white
    glyph with a faint shadow; hover lays a light pane (red for close) under
    it, pressed a darker one with the glyph a pixel lower."""
    w, h = (37, 19) if k == 1 else (25, 19)
    c = Canvas(w, h)
    pane = CAPTION_PANES.get((look, k == 1))
    if pane:
        top, bottom, outline = pane
        c.gradient(lambda m: m.rounded_rectangle(c.p(0, 0, w - 1, h - 1), 2 * c.z, fill=255),
                   top, bottom)
        c.rounded((0, 0, w - 1, h - 1), 2, outline=outline, width=1)
    glyph = Canvas(w, h)
    d = glyph.draw()
    white = (255, 255, 255, 255)
    x0, y0 = w / 2, h / 2 + (1 if look == "pressed" else 0)
    line = int(1.6 * glyph.z)
    if k == 1:
        d.line(glyph.p(x0 - 4.5, y0 - 4.5, x0 + 4.5, y0 + 4.5), fill=white, width=int(2 * glyph.z))
        d.line(glyph.p(x0 + 4.5, y0 - 4.5, x0 - 4.5, y0 + 4.5), fill=white, width=int(2 * glyph.z))
    elif k == 2:
        d.rectangle(glyph.p(x0 - 5, y0 - 4.5, x0 + 5, y0 + 4.5), outline=white, width=line)
        d.rectangle(glyph.p(x0 - 5, y0 - 4.5, x0 + 5, y0 - 2.8), fill=white)
    elif k == 3:
        d.rectangle(glyph.p(x0 - 5, y0 + 2, x0 + 5, y0 + 3.8), fill=white)
    elif k == 4:  # a list with an arrow
        for dy in (-4, 0, 4):
            d.rectangle(glyph.p(x0 - 6, y0 + dy - 0.8, x0 + 1, y0 + dy + 0.8), fill=white)
        d.polygon(glyph.p(x0 + 2.5, y0 - 1.5, x0 + 7.5, y0 - 1.5, x0 + 5, y0 + 2.5), fill=white)
    else:  # a speech bubble
        d.rounded_rectangle(glyph.p(x0 - 6.5, y0 - 5.5, x0 + 6.5, y0 + 3), 2.5 * glyph.z,
                            outline=white, width=line)
        d.polygon(glyph.p(x0 - 3.5, y0 + 2, x0 + 0.5, y0 + 2, x0 - 4, y0 + 6.5), fill=white)
        for dx in (-3, 0, 3):
            d.ellipse(glyph.p(x0 + dx - 0.9, y0 - 2.2, x0 + dx + 0.9, y0 - 0.4), fill=white)
    glyph.shadow(0, 0.8, 0.5, 0.55 if look != "hover" or k != 1 else 0.35)
    c.paste(glyph.img)
    return c.result()


def skin_icon():
    """The skin button's 14 x 14 icon: a shirt in three colours."""
    c = Canvas(14, 14, 16)
    shirt = [1, 3.5, 4.5, 1, 5.5, 2.2, 8.5, 2.2, 9.5, 1, 13, 3.5, 11.5, 6.5, 10, 5.8, 10, 13,
             4, 13, 4, 5.8, 2.5, 6.5]
    mask = Image.new("L", c.img.size, 0)
    ImageDraw.Draw(mask).polygon(c.p(*shirt), fill=255)
    xs = np.arange(c.img.size[0]) / c.z / 14
    cols = [rgb("#FF5F7E"), rgb("#FFC23D"), rgb("#3DB4FF")]
    arr = np.zeros((c.img.size[1], c.img.size[0], 4))
    for i in range(3):
        arr[:, :, i] = np.interp(xs, [0.15, 0.5, 0.85], [cols[0][i], cols[1][i], cols[2][i]])[None, :]
    arr[:, :, 3] = np.array(mask, dtype=np.float64)
    c.paste(Image.fromarray(np.round(arr).astype(np.uint8), "RGBA"))
    c.draw().polygon(c.p(*shirt), outline=(255, 255, 255, 230), width=int(0.9 * c.z))
    c.shadow(0, 0.6, 0.5, 0.5)
    return c.result()


def skin_face(look):
    """28 x 22 faces of the skin button: a light pane when hovered, a white
    one while the picker is open (the icon is drawn again on it)."""
    c = Canvas(28, 22)
    if look == "hover":
        c.gradient(lambda m: m.rounded_rectangle(c.p(0.5, 0.5, 27.5, 21.5), 3 * c.z, fill=255),
                   (255, 255, 255, 105), (255, 255, 255, 55))
        c.rounded((0.5, 0.5, 27.5, 21.5), 3, outline=(255, 255, 255, 170), width=1)
    else:
        c.gradient(lambda m: m.rounded_rectangle(c.p(0.5, 0.5, 27.5, 21.5), 3 * c.z, fill=255),
                   (238, 242, 246, 245), (255, 255, 255, 250))
        c.rounded((0.5, 0.5, 27.5, 21.5), 3, outline=rgba("#7F93A8", 230), width=1)
    return c.result()


def tab_backdrop(selected):
    """76 x 71 backdrops of a hovered and of the selected page tab; drawn
    over the tab's icon and caption, so mostly see-through."""
    c = Canvas(76, 71)
    fill_top, fill_bottom = ((255, 255, 255, 78), (255, 255, 255, 38)) if selected else \
        ((255, 255, 255, 50), (255, 255, 255, 20))
    c.gradient(lambda m: m.rounded_rectangle(c.p(0.5, 0.5, 75.5, 70.5), 4 * c.z, fill=255),
               fill_top, fill_bottom)
    if selected:
        c.gradient(lambda m: m.rounded_rectangle(c.p(1.5, 1.5, 74.5, 30), 3 * c.z, fill=255),
                   (255, 255, 255, 40), (255, 255, 255, 0), 1.5, 30)
    c.rounded((0.5, 0.5, 75.5, 70.5), 4, outline=(0, 0, 0, 70 if selected else 45), width=1)
    c.rounded((1.5, 1.5, 74.5, 69.5), 3, outline=(255, 255, 255, 190 if selected else 120),
              width=1)
    return c.result()


def title_icon():
    """16 x 16: a jade tile holding a drop of ink, white."""
    c = Canvas(16, 16, 16)
    c.gradient(lambda m: m.rounded_rectangle(c.p(0.5, 0.5, 15.5, 15.5), 3.5 * c.z, fill=255),
               rgba("#4CC79C"), rgba("#137A5A"))
    c.rounded((0.5, 0.5, 15.5, 15.5), 3.5, outline=rgba("#0B5A41"), width=0.8)
    d = c.draw()
    # The drop: round below, pointed above.
    d.ellipse(c.p(4.2, 6.2, 11.8, 13.8), fill=(255, 255, 255, 255))
    d.polygon(c.p(4.5, 9, 8, 2.2, 11.5, 9), fill=(255, 255, 255, 255))
    d.ellipse(c.p(5.8, 8.8, 7.6, 10.6), fill=rgba("#A9E8D2"))
    return c.result()


def size_grip():
    """9 x 8: three rows of raised dots; the first column stays clear (the
    status line ends there)."""
    img = layer((9, 8))
    px = img.load()
    for y, xs in ((0, (7,)), (3, (4, 7)), (6, (1, 4, 7))):
        for x in xs:
            px[x, y] = (255, 255, 255, 255)
            px[x, y + 1] = (255, 255, 255, 150)
            px[x + 1, y + 1] = (0, 0, 0, 110)
            if x + 1 < 9 and y + 1 < 8:
                px[x + 1, y] = (255, 255, 255, 150)
    return img


# --- the skin picker ----------------------------------------------------------------
POPUP_BORDER = rgb("#A3B1C0")
POPUP_STRIP = (rgb("#F8FAFC"), rgb("#E6EBF0"))
POPUP_LINE = rgb("#DFE2E3")  # the line under the tabs (COLORREF 0xE3E2DF)


def strip(img, x0, x1, hover=False):
    """The tab strip's gradient (rows 1..27) across columns x0..x1."""
    top, bottom = (rgb("#FFFFFF"), rgb("#EEF3F8")) if hover else POPUP_STRIP
    d = ImageDraw.Draw(img)
    for y in range(1, 28):
        d.line((x0, y, x1, y), fill=mix(top, bottom, (y - 1) / 26) + (255,))


def popup_background():
    """218 x 174: the tab strip along the top, white below, a thin border
    where the popup's rounded region ends."""
    img = Image.new("RGBA", (218, 174), (255, 255, 255, 255))
    strip(img, 0, 217)
    d = ImageDraw.Draw(img)
    d.line((0, 28, 217, 28), fill=POPUP_LINE + (255,))
    # The popup's rounded region shows columns 0..215 and rows 0..169; the
    # picture is drawn 173 rows high, a middle row left out, so its row 170
    # is the last one seen.
    d.rounded_rectangle((0, 0, 215, 170), 3, outline=POPUP_BORDER + (255,))
    return img


def popup_tab_picture(k, look):
    """40 x 30 faces of the picker's tabs. Normal and hover are whole
    (strip, border, the line under the tabs); selected is the icon alone,
    drawn on the tab base."""
    size = (40, 30)
    if look == "selected":
        img = layer(size)
    else:
        img = Image.new("RGBA", size, (255, 255, 255, 255))
        strip(img, 0, 39, hover=look == "hover")
        d = ImageDraw.Draw(img)
        d.line((0, 0, 39, 0), fill=POPUP_BORDER + (255,))
        d.line((0, 28, 39, 28), fill=POPUP_LINE + (255,))
        if k == 1:
            d.line((0, 0, 0, 29), fill=POPUP_BORDER + (255,))
    c = Canvas(40, 30)
    grey = look == "normal"
    cx, cy = 20, 14
    if k == 1:  # a picture: a framed landscape
        c.rounded((cx - 9, cy - 7, cx + 9, cy + 7), 1.5, fill=rgba("#FFFFFF"),
                  outline=rgba("#7A8CA0" if grey else "#3C6E9E"), width=1)
        c.gradient(lambda m: m.rectangle(c.p(cx - 7.5, cy - 5.5, cx + 7.5, cy + 5.5), fill=255),
                   rgba("#C9D6E2" if grey else "#8FD0FF"), rgba("#E8EEF3" if grey else "#E2F4FF"),
                   cy - 5.5, cy + 5.5)
        d = c.draw()
        d.polygon(c.p(cx - 7.5, cy + 5.5, cx - 2.5, cy - 1.5, cx + 1, cy + 2, cx + 3.5, cy,
                      cx + 7.5, cy + 5.5), fill=rgba("#8E9BA6" if grey else "#3FA55B"))
        d.ellipse(c.p(cx + 2.5, cy - 4.5, cx + 5.5, cy - 1.5), fill=rgba("#B8C0C8" if grey
                                                                          else "#FFB830"))
    else:  # colours: three overlapping swatches
        for i, colour in enumerate(["#F0524F", "#45B865", "#3D8BE8"]):
            x = cx - 9 + i * 6
            fill = mix(colour, "#9AA5AF", 0.8) if grey else rgb(colour)
            c.rounded((x, cy - 6 + i, x + 7, cy + 7 - (2 - i)), 1.5, fill=fill + (255,),
                      outline=(255, 255, 255, 255), width=0.8)
    if not grey:
        c.shadow(0, 0.6, 0.6, 0.3)
    return Image.alpha_composite(img, c.result())


def popup_tab_base():
    """40 x 30: the selected tab, open into the white page below it."""
    img = Image.new("RGBA", (40, 30), (255, 255, 255, 255))
    d = ImageDraw.Draw(img)
    d.line((0, 0, 39, 0), fill=POPUP_BORDER + (255,))
    d.line((0, 0, 0, 29), fill=POPUP_BORDER + (255,))
    d.line((39, 0, 39, 29), fill=mix(POPUP_BORDER, "#FFFFFF", 0.35) + (255,))
    return img


def thumb_frame(selected):
    """68 x 43 marks over a thumbnail: the selected frame is an orange ring
    on the outer two pixels; the hover frame lies inside it, so that both
    show on a marked thumbnail under the mouse."""
    img = layer((68, 43))
    d = ImageDraw.Draw(img)
    if selected:
        d.rectangle((0, 0, 67, 42), outline=(255, 140, 0, 255), width=2)
    else:
        d.rectangle((2, 2, 65, 40), outline=(255, 255, 255, 255), width=1)
        d.rectangle((3, 3, 64, 39), outline=(86, 160, 236, 255), width=1)
        d.rectangle((4, 4, 63, 38), outline=(86, 160, 236, 110), width=1)
    return img


def cell_frame():
    """15 x 16 mark of a colour cell: white outside, dark inside."""
    img = layer((15, 16))
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, 14, 15), outline=(255, 255, 255, 255))
    d.rectangle((1, 1, 13, 14), outline=(48, 48, 48, 255))
    return img


def palette():
    """206 x 128: the 84 colours, drawn where the cells lie (the picture is
    put at (6, 33); cell r, c is 16 x 17 at (6 + 17c, 34 + 18r), its colour
    shown one pixel right of it, under its frame)."""
    img = Image.new("RGB", (206, 128), (255, 255, 255))
    d = ImageDraw.Draw(img)
    for i, value in enumerate(PALETTE):
        r, c = divmod(i, 12)
        x, y = 17 * c + 1, 18 * r + 1
        d.rectangle((x, y, x + 15, y + 16), fill=colorref_rgb(value))
    return img


def thumbnail(n, headers):
    """68 x 43: skin n as a small window: the header's subject on top, the
    frame colour around a grey page below."""
    frame = rgb(FRAME[n - 1])
    img = Image.new("RGB", (68, 43), frame)
    if n == 1:
        top = Image.new("RGB", (68, 27), frame)
    else:
        band = headers["abcdefgh"[n - 2]].crop((0, BAND_TOP, HEADER_W, BAND_BOTTOM + 1))
        # The part right of the tabs, where each picture keeps its subject.
        crop = band.crop((470, 0, 470 + 280, band.height))
        top = crop.resize((68, 27), Image.LANCZOS)
    img.paste(top, (0, 0))
    d = ImageDraw.Draw(img)
    d.rectangle((2, 27, 65, 38), fill=CONTENT)
    d.line((2, 27, 65, 27), fill=mix(CONTENT, "#000000", 0.25))
    return img


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "resources", "skin")
    os.makedirs(out, exist_ok=True)

    names = []

    def save(img, name):
        img.save(os.path.join(out, name + ".png"), optimize=True)
        names.append(name)

    headers = {}
    for name, draw in HEADERS.items():
        headers[name] = draw()
        save(headers[name], "header_" + name)
    for n in range(1, 10):
        save(thumbnail(n, headers), "thumb_%d" % n)
    for k, name in enumerate(["close", "max", "min", "move", "menu"], 1):
        for look in ("normal", "hover", "pressed"):
            save(caption_face(k, look), "caption_%s_%s" % (name, look))
    save(skin_icon(), "skin_icon")
    save(skin_face("hover"), "skin_hover")
    save(skin_face("pressed"), "skin_pressed")
    save(tab_backdrop(False), "tab_hover")
    save(tab_backdrop(True), "tab_selected")
    for k in range(1, 6):
        save(tab_icon(k), "tab_icon_%d" % k)
    save(title_icon(), "title_icon")
    save(size_grip(), "size_grip")
    save(popup_background(), "popup_background")
    save(popup_tab_base(), "popup_tab_base")
    for k, name in ((1, "pictures"), (2, "colours")):
        for look in ("normal", "hover", "selected"):
            save(popup_tab_picture(k, look), "popup_tab_%s_%s" % (name, look))
    save(thumb_frame(False), "popup_hover_frame")
    save(thumb_frame(True), "popup_selected_frame")
    save(cell_frame(), "popup_cell_frame")
    save(palette(), "popup_palette")
    # The resource script that embeds them, named as their files.
    with open(os.path.join(out, "skin.rc"), "w") as f:
        f.write("// The skin's pictures, drawn by scripts/gen_skin_art.py (which writes this\n"
                "// file too), as RCDATA named after their files: skin/win/skin_art.cpp\n"
                "// finds them by these names.\n")
        for name in sorted(names):
            f.write('%-28s RCDATA "resources/skin/%s.png"\n' % (name, name))


if __name__ == "__main__":
    main()
