#!/usr/bin/python3
"""Makes the pictures of docs/interface.md in docs/pictures/.

  xvfb-run -a -s "-screen 0 1280x1024x24" env VOREL_SCREENSHOT_DIR=/tmp/shots \\
      build/tests/ui/ui_controls_gui_test/ui_controls_gui_test
  tools/make_doc_pictures.py /tmp/shots

pictures.png shows every picture of res/pictures/ over a checkerboard (so that transparency
shows), small ones enlarged; the other files are the screen captures that the window test
took under Xvfb, enlarged where they are small. Needs Debian's python3-pil.
"""

import os
import shutil
import sys

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..")
PICTURES = os.path.join(ROOT, "res", "pictures")
OUT = os.path.join(ROOT, "docs", "pictures")
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

SHOWN = [
    ("133 ProgressBackground", "ProgressBackground.png"),
    ("134 PromptBackground", "PromptBackground.png"),
    ("135 UpdateNowButton", "UpdateNowButton.png"),
    ("136 NotNowButton", "NotNowButton.png"),
    ("137 CloseGlyph", "CloseGlyph.png"),
    ("138 ManualDownloadButton", "ManualDownloadButton.png"),
    ("139 TryNowButton", "TryNowButton.png"),
    ("icon 5 ProgramIcon", "ProgramIcon.png"),
]
BUTTONS = ["update-now", "not-now", "close", "try-now", "manual-download"]
STATES = ["normal", "hover", "pressed"]


def checkerboard(size, square=8):
    board = Image.new("RGBA", size, (255, 255, 255, 255))
    draw = ImageDraw.Draw(board)
    for y in range(0, size[1], square):
        for x in range(0, size[0], square):
            if (x // square + y // square) % 2:
                draw.rectangle([x, y, x + square - 1, y + square - 1], fill=(214, 214, 214, 255))
    return board


def enlarged(image, factor):
    return image.resize((image.size[0] * factor, image.size[1] * factor), Image.NEAREST)


def picture_sheet():
    font = ImageFont.truetype(FONT, 14)
    items = []
    for caption, name in SHOWN:
        picture = Image.open(os.path.join(PICTURES, name)).convert("RGBA")
        factor = 1 if picture.size[0] >= 300 and picture.size[1] >= 100 else 3 if picture.size[1] > 20 else 6
        items.append((f"{caption} ({picture.size[0]} x {picture.size[1]}, shown x{factor})", enlarged(picture, factor)))
    width = max(item.size[0] for _, item in items) + 20
    height = sum(item.size[1] + 34 for _, item in items) + 10
    sheet = Image.new("RGBA", (width, height), (246, 246, 246, 255))
    draw = ImageDraw.Draw(sheet)
    y = 10
    for caption, item in items:
        draw.text((10, y), caption, font=font, fill=(40, 40, 40, 255))
        y += 22
        tile = checkerboard(item.size)
        tile.alpha_composite(item)
        sheet.paste(tile, (10, y))
        y += item.size[1] + 12
    sheet.convert("RGB").save(os.path.join(OUT, "pictures.png"))


def button_states(shots):
    font = ImageFont.truetype(FONT, 14)
    factor = 3
    rows = [[Image.open(os.path.join(shots, f"{b}-{s}.png")) for s in STATES] for b in BUTTONS]
    column = max(max(im.size[0] for im in row) for row in rows) * factor + 20
    height = 30 + sum(row[0].size[1] * factor + 16 for row in rows)
    sheet = Image.new("RGB", (150 + column * 3, height), (246, 246, 246))
    draw = ImageDraw.Draw(sheet)
    for i, state in enumerate(STATES):
        draw.text((150 + i * column, 6), state, font=font, fill=(40, 40, 40))
    y = 30
    for name, row in zip(BUTTONS, rows):
        draw.text((10, y), name, font=font, fill=(40, 40, 40))
        for i, image in enumerate(row):
            sheet.paste(enlarged(image, factor), (150 + i * column, y))
        y += row[0].size[1] * factor + 16
    sheet.save(os.path.join(OUT, "button-states.png"))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    shots = sys.argv[1]
    os.makedirs(OUT, exist_ok=True)
    picture_sheet()
    button_states(shots)
    shutil.copy(os.path.join(shots, "test-dialog.png"), os.path.join(OUT, "test-dialog.png"))
    shutil.copy(os.path.join(shots, "disabled.png"), os.path.join(OUT, "disabled-button.png"))
    bar = Image.open(os.path.join(shots, "progress-50.png"))
    enlarged(bar.crop((200, 0, 300, 6)), 8).save(os.path.join(OUT, "progress-50-detail.png"))
    bar.save(os.path.join(OUT, "progress-50.png"))
    enlarged(Image.open(os.path.join(shots, "progress-37-text.png")), 2).save(os.path.join(OUT, "progress-37-text.png"))


if __name__ == "__main__":
    main()
