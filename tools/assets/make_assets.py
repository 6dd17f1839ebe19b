#!/usr/bin/python3
"""Makes the game's assets, committed under game/assets/.

    make_assets.py            rewrites game/assets/ (the music needs oggenc)
    make_assets.py --check    regenerates everything but the music into a
                              scratch folder and compares it byte for byte
                              with game/assets/; exit 1 on any difference
"""

import filecmp
import os
import sys
import tempfile

sys.dont_write_bytecode = True  # no cache folder beside the scripts

import models  # noqa: E402
import pictures  # noqa: E402
import sounds  # noqa: E402
import tables  # noqa: E402

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "game", "assets")
FOLDERS = ("Graph", "Model", "Script", "Sound")  # Music/ is the encoder's


def make(root, with_music):
    pictures.write(root, os.path.join(root, "pellacor.ico"))
    models.write(root)
    tables.write(root)
    sounds.write(root, with_music)


def files_under(root):
    found = {"pellacor.ico"}
    for folder in FOLDERS:
        for directory, _, names in os.walk(os.path.join(root, folder)):
            for name in names:
                found.add(os.path.relpath(os.path.join(directory, name), root))
    return found


def check(committed):
    with tempfile.TemporaryDirectory() as scratch:
        make(scratch, with_music=False)
        made, kept = files_under(scratch), files_under(committed)
        problems = ["missing from the committed assets: " + name for name in sorted(made - kept)]
        problems += ["no longer made by the scripts: " + name for name in sorted(kept - made)]
        problems += ["differs: " + name for name in sorted(made & kept)
                     if not filecmp.cmp(os.path.join(scratch, name), os.path.join(committed, name),
                                        shallow=False)]
    for problem in problems:
        print(problem)
    print("%d assets compared, %d problems" % (len(made), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    if "--check" in sys.argv:
        sys.exit(check(ROOT))
    make(ROOT, with_music=True)
