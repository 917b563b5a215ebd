#!/usr/bin/python3
"""Draws the plug-in's three pictures: about.png, background.png and logo.png.

Run from anywhere with Debian's python3-pil and fonts-dejavu-core; the pictures are
written next to this script. Everything is drawn at four times the final size and
scaled down, which gives smooth edges without any antialiasing of PIL's own. The
output depends only on this script, so running it again reproduces the same files.
"""

import math
import pathlib

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = pathlib.Path(__file__).resolve().parent
FONTS = pathlib.Path("/usr/share/fonts/truetype/dejavu")
SCALE = 4

AMBER = (255, 150, 40)
EMBER = (214, 58, 32)
INK = (14, 16, 21)
PANEL = (30, 33, 41)


def font(name, size):
    return ImageFont.truetype(str(FONTS / name), size * SCALE)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def vertical_gradient(size, top, bottom):
    width, height = size
    column = Image.new("RGB", (1, height))
    for y in range(height):
        column.putpixel((0, y), mix(top, bottom, y / max(1, height - 1)))
    return column.resize(size)


def glow(size, centre, radius, colour, strength):
    """A soft round light, as an RGBA layer to paste over a picture."""
    layer = Image.new("RGBA", size, colour + (0,))
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).ellipse([centre[0] - radius, centre[1] - radius, centre[0] + radius, centre[1] + radius],
                                 fill=round(255 * strength))
    layer.putalpha(mask.filter(ImageFilter.GaussianBlur(radius * 0.6)))
    return layer


def saturation_curve(box, drive):
    """Points of tanh(drive x) across box, the plug-in's mark: a line bent by saturation."""
    left, top, right, bottom = box
    points = []
    for step in range(101):
        x = -1.0 + 2.0 * step / 100
        y = math.tanh(drive * x) / math.tanh(drive)
        points.append((left + (x + 1) / 2 * (right - left), bottom - (y + 1) / 2 * (bottom - top)))
    return points


def draw_mark(draw, centre, radius):
    """The logo mark: an amber ring holding a saturation curve."""
    cx, cy = centre
    ring = radius * 0.12
    for i in range(24):
        t = i / 23
        r = radius - ring * t
        draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=mix(AMBER, EMBER, t))
    inner = radius - ring
    for i in range(32):
        t = i / 31
        r = inner * (1 - t)
        draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=mix((24, 26, 33), (44, 40, 42), t))
    half = inner * 0.62
    curve = saturation_curve((cx - half, cy - half, cx + half, cy + half), 2.6)
    draw.line([(cx - half, cy), (cx + half, cy)], fill=(90, 92, 100), width=round(radius * 0.05))
    draw.line(curve, fill=AMBER, width=round(radius * 0.14), joint="curve")


def make_logo():
    size = 50 * SCALE
    picture = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw_mark(ImageDraw.Draw(picture), (size / 2, size / 2), size / 2 - SCALE)
    return picture.resize((50, 50), Image.LANCZOS)


def make_background():
    size = (400 * SCALE, 400 * SCALE)
    picture = vertical_gradient(size, (38, 42, 52), (22, 24, 31))

    # The plot: a darker well below the controls, lit faintly from its centre.
    plot = [3 * SCALE, 143 * SCALE, 397 * SCALE, 397 * SCALE]
    well = vertical_gradient((plot[2] - plot[0], plot[3] - plot[1]), (16, 18, 24), (9, 10, 14))
    picture.paste(well, (plot[0], plot[1]))
    picture = picture.convert("RGBA")
    picture.alpha_composite(glow(size, (200 * SCALE, 300 * SCALE), 150 * SCALE, (60, 70, 95), 0.35))

    draw = ImageDraw.Draw(picture)
    # A hairline under the controls and an amber accent at its centre.
    draw.rectangle([0, 134 * SCALE, size[0], 135 * SCALE], fill=(52, 57, 69))
    draw.rectangle([150 * SCALE, 134 * SCALE, 250 * SCALE, 135 * SCALE - 1], fill=mix(AMBER, (52, 57, 69), 0.35))
    # Engraved product and maker names in the corners of the control panel.
    engraving = font("DejaVuSans-Bold.ttf", 8)
    draw.text((12 * SCALE, 5 * SCALE), "TAVIK", font=engraving, fill=(78, 84, 98))
    draw.text((388 * SCALE, 5 * SCALE), "KELVOR", font=engraving, fill=(78, 84, 98), anchor="ra")
    return picture.convert("RGB").resize((400, 400), Image.LANCZOS)


def make_about():
    size = (300 * SCALE, 300 * SCALE)
    picture = vertical_gradient(size, (30, 33, 42), (10, 11, 15)).convert("RGBA")
    picture.alpha_composite(glow(size, (225 * SCALE, 205 * SCALE), 120 * SCALE, EMBER, 0.45))

    draw = ImageDraw.Draw(picture)
    draw_mark(draw, (232 * SCALE, 92 * SCALE), 44 * SCALE)

    draw.text((18 * SCALE, 62 * SCALE), "Tavik", font=font("DejaVuSans-Bold.ttf", 34), fill=(246, 242, 236),
              anchor="ls")
    draw.rectangle([18 * SCALE, 72 * SCALE, 60 * SCALE, 74 * SCALE - 1], fill=AMBER)

    caption = font("DejaVuSans.ttf", 12)
    draw.text((18 * SCALE, 200 * SCALE), "Stereo saturation", font=caption, fill=(214, 208, 200), anchor="ls")
    draw.text((18 * SCALE, 218 * SCALE), "Six curves, three channel modes", font=font("DejaVuSans.ttf", 10),
              fill=(150, 146, 142), anchor="ls")
    draw.rectangle([18 * SCALE, 262 * SCALE, 282 * SCALE, 263 * SCALE - 1], fill=(70, 64, 62))
    draw.text((18 * SCALE, 282 * SCALE), "KELVOR", font=font("DejaVuSans-Bold.ttf", 10), fill=(190, 184, 176),
              anchor="ls")
    draw.text((282 * SCALE, 282 * SCALE), "VST3", font=font("DejaVuSans.ttf", 10), fill=(150, 146, 142),
              anchor="rs")
    return picture.convert("RGB").resize((300, 300), Image.LANCZOS)


if __name__ == "__main__":
    make_about().save(HERE / "about.png", optimize=True)
    make_background().save(HERE / "background.png", optimize=True)
    make_logo().save(HERE / "logo.png", optimize=True)
