#!/usr/bin/python3
"""Writes the game's pictures (Graph/*.png) and the program icon.

Every channel is 0 or 255, so the pictures come out exact on a 16-bit
screen; (255, 0, 255) is the colour key. The full pictures carry an 8 x 8
marker of their own at the top-left, by which a screen capture is found.
"""

import os
import sys

from glyphs import BLACK, BLUE, CYAN, GREEN, KEY, RED, WHITE, YELLOW, Canvas
from image_files import ico_bytes, png_bytes

MARKERS = {"Title": CYAN, "Tutorial": YELLOW, "Stage": GREEN}


def full_picture(name, width, height, background, lines):
    canvas = Canvas(width, height, background)
    for (y, text, scale) in lines:
        canvas.centred_text(y, text, WHITE, scale)
    canvas.fill(0, 0, 8, 8, MARKERS[name])
    return canvas


def title():
    return full_picture("Title", 640, 480, BLACK, [
        (112, "PELLACOR", 8),
        (300, "LEFT CLICK: START", 2),
        (340, "RIGHT CLICK: QUIT", 2),
    ])


def tutorial():
    return full_picture("Tutorial", 640, 480, BLACK, [
        (60, "HOW TO PLAY", 4),
        (150, "MOUSE: MOVE THE PADDLES", 2),
        (190, "HOLD LEFT: TURN THE PADDLES", 2),
        (230, "RIGHT CLICK: LAUNCH OR JUMP", 2),
        (270, "LEFT AND RIGHT: PAUSE", 2),
        (310, "ESCAPE: END", 2),
        (400, "CLICK TO START", 2),
    ])


def panel():
    canvas = Canvas(160, 480, BLUE)
    canvas.fill(0, 0, 4, 480, WHITE)
    canvas.fill(0, 0, 8, 8, MARKERS["Stage"])
    return canvas


def figure():
    canvas = Canvas(160, 24, BLACK)
    for digit in range(10):
        canvas.text(digit * 16 + 3, 5, str(digit), WHITE, 2)
    return canvas


def label(width, height, text):
    canvas = Canvas(width, height, KEY)
    canvas.text(2, (height - 14) // 2, text, WHITE, 2)
    return canvas


def board(lines):
    """A framed 320 x 160 notice on the key colour."""
    canvas = Canvas(320, 160, KEY)
    canvas.fill(0, 0, 320, 160, WHITE)
    canvas.fill(4, 4, 312, 152, BLACK)
    for (y, text, scale) in lines:
        canvas.centred_text(y, text, WHITE, scale)
    return canvas


def blast():
    """Nine frames of a growing blast in 96-pixel cells, six to a row."""
    canvas = Canvas(576, 192, KEY)
    for frame in range(9):
        cx = (frame % 6) * 96 + 48
        cy = (frame // 6) * 96 + 48
        radius = 10 + frame * 4
        canvas.disc(cx, cy, radius, YELLOW if frame < 7 else RED)
        canvas.disc(cx, cy, radius // 2, RED if frame < 7 else KEY)
    return canvas


def icon():
    canvas = Canvas(32, 32, KEY)
    canvas.fill(2, 24, 28, 6, BLUE)
    canvas.disc(16, 12, 8, RED)
    return canvas


PICTURES = {
    "Title": title,
    "Tutorial": tutorial,
    "Stage": panel,
    "Figure": figure,
    "Ball_f": lambda: label(64, 24, "BALL"),
    "Score_f": lambda: label(128, 32, "SCORE"),
    "HiScore_f": lambda: label(128, 32, "HI SCORE"),
    "Combo_f": lambda: label(128, 32, "COMBO"),
    "Pouse_f": lambda: board([(62, "PAUSE", 4)]),
    "StageClear": lambda: board([(62, "STAGE CLEAR", 3)]),
    "AllStageClear": lambda: board([(50, "ALL STAGES", 3), (86, "CLEAR!", 3)]),
    "GameOver": lambda: board([(62, "GAME OVER", 4)]),
    "Continue": lambda: board([(40, "CONTINUE?", 4), (100, "HOLD LEFT: CONTINUE", 1),
                               (116, "HOLD RIGHT: TITLE", 1)]),
    "Bom": blast,
}


def write(root, icon_path):
    folder = os.path.join(root, "Graph")
    os.makedirs(folder, exist_ok=True)
    for name, make in PICTURES.items():
        with open(os.path.join(folder, name + ".png"), "wb") as out:
            out.write(png_bytes(make()))
    if icon_path:
        with open(icon_path, "wb") as out:
            out.write(ico_bytes(icon()))


if __name__ == "__main__":
    write(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else None)
