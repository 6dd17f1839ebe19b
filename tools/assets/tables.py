#!/usr/bin/python3
"""Writes the sound tables and the three stages (Script/)."""

import os
import sys

SIZE = 15


class Lcg:
    """A fixed generator, so the stages do not depend on Python's."""

    def __init__(self, seed):
        self.state = seed

    def below(self, limit):
        self.state = (self.state * 1103515245 + 12345) % 2 ** 31
        return (self.state >> 8) % limit


def stage(number):
    """15 x 15 cells: blocks at the top, the main paddle near the bottom."""
    random = Lcg(number * 7919)
    choices = ["1", "1", "2", "3", "1^2", "4", "0"]
    if number >= 2:
        choices += ["101", "100"]
    if number >= 3:
        choices += ["2_1", "3^3"]
    grid = [["0"] * SIZE for _ in range(SIZE)]
    for row in range(1, 7):
        for column in range(2, SIZE - 2):
            grid[row][column] = choices[random.below(len(choices))]
    if number >= 3:
        grid[9][3] = "200"
        grid[9][11] = "201\\90"
        grid[12][2] = "-2"
    grid[13][7] = "-1"
    return "\n".join(",".join(row) for row in grid)


def write(root):
    init = os.path.join(root, "Script", "InitData")
    stages = os.path.join(root, "Script", "Stage")
    os.makedirs(init, exist_ok=True)
    os.makedirs(stages, exist_ok=True)
    files = {
        os.path.join(init, "Music.dat"): "block.ogg",
        os.path.join(init, "Sound.dat"): "delete.wav\nshok.wav",
    }
    for number in (1, 2, 3):
        files[os.path.join(stages, "%d.csv" % number)] = stage(number)
    for path, text in files.items():
        with open(path, "wb") as out:
            out.write(text.encode("ascii"))


if __name__ == "__main__":
    write(sys.argv[1])
