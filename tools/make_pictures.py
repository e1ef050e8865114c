#!/usr/bin/python3
"""Draws the updater's pictures and its icon into res/pictures/ (8-bit RGBA PNG files).

The files are committed, so a build needs neither this script nor its font. Run it again
after changing a picture here:  tools/make_pictures.py [output folder]
Needs Debian's python3-pil and fonts-wqy-microhei.
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "res", "pictures")

# Colours of the dialogs.
GRADIENT_TOP = (226, 234, 246)
PROGRESS_GRADIENT_END = (240, 245, 253)  # row 229 of the progress background
PROMPT_GRADIENT_END = (241, 245, 251)  # row 105 of the prompt background
PANEL_BORDER = (230, 234, 239)
WHITE = (255, 255, 255)
TITLE_BLUE = (38, 78, 140)
BRAND_BLUE = (24, 104, 196)

# Button faces: normal, hover (lighter), pressed (darker).
FACE_COLOURS = [(38, 132, 234), (86, 164, 244), (22, 98, 186)]
TEXT_BUTTON_COLOURS = [(72, 104, 150), (118, 152, 204), (36, 62, 104)]


def font(size):
    return ImageFont.truetype(FONT, size)


def vertical_gradient(image, top, end, last_row, width):
    """Rows 0..last_row blend from top to end; row last_row is exactly end."""
    draw = ImageDraw.Draw(image)
    for y in range(last_row + 1):
        colour = tuple(round(a + (b - a) * y / last_row) for a, b in zip(top, end))
        draw.line([(0, y), (width - 1, y)], fill=colour + (255,))


def text_layer(size, text, text_font, colour, centre=None, origin=None):
    """A transparent layer with the text in one colour; its alpha is the glyph coverage."""
    mask = Image.new("L", size, 0)
    draw = ImageDraw.Draw(mask)
    if centre is not None:
        draw.text(centre, text, font=text_font, fill=255, anchor="mm")
    else:
        draw.text(origin, text, font=text_font, fill=255, anchor="lt")
    layer = Image.new("RGBA", size, colour + (0,))
    layer.putalpha(mask)
    return layer


def put_text(image, text, text_font, colour, centre=None, origin=None):
    image.alpha_composite(text_layer(image.size, text, text_font, colour, centre, origin))


def smooth_shape(size, draw_shape, scale=4):
    """An anti-aliased coverage mask: drawn four times larger, then reduced."""
    big = Image.new("L", (size[0] * scale, size[1] * scale), 0)
    draw_shape(ImageDraw.Draw(big), scale)
    return big.resize(size, Image.LANCZOS)


def maker_mark(diameter):
    """The maker's mark: a blue disc with a white V."""
    mark = Image.new("RGBA", (diameter, diameter), BRAND_BLUE + (0,))
    disc = smooth_shape((diameter, diameter), lambda d, s: d.ellipse([0, 0, diameter * s - 1, diameter * s - 1], fill=255))
    mark.putalpha(disc)
    v = smooth_shape(
        (diameter, diameter),
        lambda d, s: d.polygon(
            [(p[0] * diameter * s, p[1] * diameter * s)
             for p in [(0.24, 0.26), (0.38, 0.26), (0.5, 0.6), (0.62, 0.26), (0.76, 0.26), (0.56, 0.76), (0.44, 0.76)]],
            fill=255))
    white = Image.new("RGBA", (diameter, diameter), WHITE + (0,))
    white.putalpha(v)
    mark.alpha_composite(white)
    return mark


def maker_logo(image, x, y, height):
    """Mark and the word Varnel, top left at (x, y)."""
    image.alpha_composite(maker_mark(height), (x, y))
    put_text(image, "Varnel", font(round(height * 0.72)), BRAND_BLUE, origin=(x + height + 6, y + round(height * 0.08)))


def product_banner(image, centre_x, y):
    """The product's wordmark with a rule and the product line under it."""
    put_text(image, "Halvora", font(40), TITLE_BLUE, centre=(centre_x, y + 22))
    draw = ImageDraw.Draw(image)
    draw.line([(centre_x - 90, y + 50), (centre_x + 90, y + 50)], fill=(150, 180, 225, 255), width=1)
    put_text(image, "哈沃拉专业版", font(16), (88, 120, 168), centre=(centre_x, y + 66))


def progress_background():
    image = Image.new("RGBA", (500, 340), WHITE + (255,))
    vertical_gradient(image, GRADIENT_TOP, PROGRESS_GRADIENT_END, 229, 500)
    put_text(image, "正在更新", font(14), TITLE_BLUE, origin=(14, 9))
    maker_logo(image, 180, 62, 28)
    product_banner(image, 250, 104)
    return image


def prompt_background():
    image = Image.new("RGBA", (600, 407), PROMPT_GRADIENT_END + (255,))
    vertical_gradient(image, GRADIENT_TOP, PROMPT_GRADIENT_END, 105, 600)
    maker_logo(image, 16, 12, 26)
    put_text(image, "Halvora", font(15), TITLE_BLUE, origin=(134, 18))
    draw = ImageDraw.Draw(image)
    draw.rectangle([16, 111, 583, 328], fill=WHITE + (255,), outline=PANEL_BORDER + (255,), width=1)
    return image


def face_button_strip(frame_width, height, label, size):
    strip = Image.new("RGBA", (frame_width * 3, height), (0, 0, 0, 0))
    shape = smooth_shape(
        (frame_width, height),
        lambda d, s: d.rounded_rectangle([0, 0, frame_width * s - 1, height * s - 1], radius=4 * s, fill=255))
    for i, colour in enumerate(FACE_COLOURS):
        frame = Image.new("RGBA", (frame_width, height), colour + (0,))
        frame.putalpha(shape)
        put_text(frame, label, font(size), WHITE, centre=(frame_width / 2, height / 2))
        strip.paste(frame, (i * frame_width, 0))
    return strip


def text_button_strip(frame_width, height, label, size):
    strip = Image.new("RGBA", (frame_width * 3, height), (0, 0, 0, 0))
    for i, colour in enumerate(TEXT_BUTTON_COLOURS):
        frame = Image.new("RGBA", (frame_width, height), colour + (0,))
        frame.alpha_composite(text_layer((frame_width, height), label, font(size), colour, centre=(frame_width / 2, height / 2)))
        strip.paste(frame, (i * frame_width, 0))
    return strip


def close_glyph():
    """A black 9 x 9 diagonal cross, columns and rows 4 to 12, on a transparent square."""
    image = Image.new("RGBA", (18, 18), (0, 0, 0, 0))
    for i in range(9):
        image.putpixel((4 + i, 4 + i), (0, 0, 0, 255))
        image.putpixel((12 - i, 4 + i), (0, 0, 0, 255))
    return image


def program_icon():
    image = Image.new("RGBA", (32, 32), BRAND_BLUE + (0,))
    image.putalpha(smooth_shape((32, 32), lambda d, s: d.rounded_rectangle([0, 0, 32 * s - 1, 32 * s - 1], radius=7 * s, fill=255)))
    put_text(image, "H", font(22), WHITE, centre=(16, 16))
    return image


PICTURES = {
    "ProgressBackground.png": progress_background,
    "PromptBackground.png": prompt_background,
    "UpdateNowButton.png": lambda: face_button_strip(123, 32, "立即更新", 15),
    "NotNowButton.png": lambda: text_button_strip(53, 12, "暂不更新", 12),
    "CloseGlyph.png": close_glyph,
    "ManualDownloadButton.png": lambda: face_button_strip(109, 30, "手动下载", 14),
    "TryNowButton.png": lambda: face_button_strip(109, 30, "马上体验", 14),
    "ProgramIcon.png": program_icon,
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, make in PICTURES.items():
        picture = make()
        assert picture.mode == "RGBA"
        picture.save(os.path.join(OUT, name), optimize=False)
        print(f"{name}: {picture.size[0]} x {picture.size[1]}")


if __name__ == "__main__":
    main()
