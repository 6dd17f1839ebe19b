#!/usr/bin/python3
"""Plays the real pellacor.exe under Wine as a player would, and checks what
it shows and what it saves.

    pellacor_e2e.py GAME_DIR [--quick] [--work DIR] [--prefix DIR]

GAME_DIR is the build's game folder: pellacor.exe beside its assets. The
game is installed into a work folder (a fresh temporary one unless --work
names one) and started through tools/wine-run.sh on an Xvfb display of its
own (1024 x 768 x 24), with the Japanese locale; xdotool answers and
clicks, xwd reads the screen. Nothing waits blind: every step polls the
window list or a capture against a time limit (and the whole play against
one more), and each step logs its elapsed time and how many captures it
took. A failure keeps, in the work folder, the last capture of every step
(step-N-NAME.xwd and .png), the X window tree (windows.txt) and what Wine
printed (wine-output.txt, also shown).

The full play installs a test stage (one paddle, a single block of one
life three rows above it, no second stage) and a high score of 0; answers
the window question No; clicks through title and tutorial; reads the
panel's ball count 05; launches with a right click; waits for score and
high score to read 10 (the digit cells, compared with Figure.png's cells
pixel for pixel); ends with Escape; and checks the exit code and the bytes
saved in Data/.

--quick keeps the installed stages, answers the question No, ends the game
with Escape and prints the saved files: a run that returns whatever the
screen shows. Exit status 0 when everything held.
"""

import argparse
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

sys.dont_write_bytecode = True  # no cache folder beside the scripts
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "assets"))

import pictures  # noqa: E402  (the generated pictures, cell by cell)

QUESTION_TITLE = "ウィンドウ設定"
WINDOW_TITLE = "Pellacor"
GAME_FOLDERS = ("Graph", "Model", "Music", "Script", "Sound")
# The first step waits for the Wine prefix to be made as well.
FIRST_STEP_LIMIT = 300.0
STEP_LIMIT = 120.0
PLAY_LIMIT = 780.0
POLL = 0.1
# The game reads the buttons' state once a frame, so a press is held long
# enough for a frame to see it even when presentation is slow.
PRESS_HOLD = 1.5

DIGIT_WIDTH, DIGIT_HEIGHT = 16, 24
BALL_CELLS = [(560, 32), (576, 32)]
SCORE_CELLS = [(496 + 16 * i, 176) for i in range(8)]
HISCORE_CELLS = [(496 + 16 * i, 288) for i in range(8)]
PANEL_X = 480

HISCORE_TEN = bytes([0x0A, 0, 0, 0])
INIT_VALUE = bytes([0xCD, 0xCC, 0x8C, 0x3F])
DEFAULT_KEYS = [203, 200, 205, 208, 57, 44, 30, 45, 42, 1, 3, 2, 0, 13, 7, 5, 6, 8, 9]
DEFAULT_KEY_BYTES = b"".join(struct.pack("<i", code) for code in DEFAULT_KEYS)


class Failure(Exception):
    pass


STARTED = time.monotonic()


def progress(text):
    """One timed line per step, so a slow or failed run shows where it stood."""
    print("pellacor_e2e: %6.1f s %s" % (time.monotonic() - STARTED, text), file=sys.stderr, flush=True)


def test_stage():
    """15 x 15: the paddle's cell near the bottom, one block three rows up."""
    grid = [["0"] * 15 for _ in range(15)]
    grid[13][7] = "-1"
    grid[10][7] = "1"
    return "\n".join(",".join(row) for row in grid)


def install(game_dir, work, quick):
    """Copies the game into work (unless it runs in its own folder)."""
    if os.path.realpath(game_dir) != os.path.realpath(work):
        shutil.copy2(os.path.join(game_dir, "pellacor.exe"), work)
        for folder in GAME_FOLDERS:
            shutil.copytree(os.path.join(game_dir, folder), os.path.join(work, folder),
                            dirs_exist_ok=True)
    os.makedirs(os.path.join(work, "Data"), exist_ok=True)
    if quick:
        return
    stages = os.path.join(work, "Script", "Stage")
    for name in os.listdir(stages):
        os.remove(os.path.join(stages, name))
    with open(os.path.join(stages, "1.csv"), "wb") as out:
        out.write(test_stage().encode("ascii"))
    with open(os.path.join(work, "Data", "HiScore.dat"), "wb") as out:
        out.write(bytes(4))


class Display:
    """A private Xvfb, its number read back from the server itself."""

    def __init__(self):
        read, write = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.server.kill()
            raise Failure("Xvfb did not start")
        self.name = ":" + number

    def close(self):
        self.server.terminate()
        self.server.wait()


class Session:
    def __init__(self, work, display, prefix):
        self.work = work
        self.env = dict(os.environ, DISPLAY=display.name, LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8",
                        VELVANE_TEST_TIMEOUT="600")
        # The prefix wine-run.sh makes and the Wine server waited for below.
        # A run's shared prefix gets a sibling of the game's own: one Wine
        # server serving two X displays at once (this one and the other
        # programs') can stall both.
        shared = os.environ.get("VELVANE_WINEPREFIX")
        prefix = prefix or (shared + "-e2e" if shared else os.path.join(work, "wineprefix"))
        self.env["VELVANE_WINEPREFIX"] = prefix
        self.env["WINEPREFIX"] = prefix
        self.output = open(os.path.join(work, "wine-output.txt"), "wb")
        self.game = subprocess.Popen([os.path.join(ROOT, "tools", "wine-run.sh"),
                                      os.path.join(work, "pellacor.exe")],
                                     cwd=work, env=self.env, start_new_session=True,
                                     stdout=self.output, stderr=subprocess.STDOUT)
        self.deadline = time.monotonic() + PLAY_LIMIT
        # The last capture of each step so far: (step name, xwd bytes).
        self.step_captures = []
        self.captures = self.failed_captures = 0

    def xdotool(self, *args):
        """xdotool's words; none when it fails or hangs (a --sync that never
        sees its event), so the poll around it decides."""
        try:
            result = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=20)
        except subprocess.TimeoutExpired:
            return []
        return result.stdout.decode("utf-8", "replace").split()

    def poll(self, what, check, limit=STEP_LIMIT, game_may_end=False):
        """check() until it gives something; Failure after limit seconds
        (or when the whole play's time is up)."""
        started = time.monotonic()
        end = min(started + limit, self.deadline)
        self.step_captures.append((what, None))
        self.captures = self.failed_captures = 0
        while time.monotonic() < end:
            if not game_may_end and self.game.poll() is not None:
                raise Failure("the game ended (%d) while waiting for %s" % (self.game.returncode, what))
            found = check()
            if found:
                progress("%s: seen after %.1f s (%d captures, %d failed)"
                         % (what, time.monotonic() - started, self.captures, self.failed_captures))
                return found
            time.sleep(POLL)
        raise Failure("no %s within %d s (%d captures, %d failed)"
                      % (what, end - started, self.captures, self.failed_captures))

    def window(self, title):
        ids = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % title)
        return ids[0] if ids else None

    def press(self, button):
        """A click held across at least one frame of the game."""
        self.xdotool("mousedown", button)
        time.sleep(PRESS_HOLD)
        self.xdotool("mouseup", button)

    def focus(self, window):
        self.xdotool("windowraise", window)
        self.xdotool("windowfocus", "--sync", window)

    def answer_question_no(self):
        box = self.poll("the window question", lambda: self.window(QUESTION_TITLE), FIRST_STEP_LIMIT)
        self.focus(box)
        self.xdotool("key", "--clearmodifiers", "Tab", "Return")
        self.poll("the question to close", lambda: self.window(QUESTION_TITLE) is None)

    def focus_game(self):
        window = self.poll("the game window", lambda: self.window(WINDOW_TITLE))
        self.focus(window)
        self.xdotool("mousemove", "--window", window, 320, 240)
        return window

    def capture(self):
        """The screen, or None when xwd failed (a window it was reading went)."""
        self.captures += 1
        try:
            result = subprocess.run(["xwd", "-root", "-silent"], env=self.env,
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=20)
        except subprocess.TimeoutExpired:
            result = None
        if not result or result.returncode != 0:
            self.failed_captures += 1
            return None
        self.step_captures[-1] = (self.step_captures[-1][0], result.stdout)
        return Screen(result.stdout)

    def end_with_escape(self):
        def ended():
            if self.game.poll() is not None:
                return True
            self.xdotool("key", "Escape")
            return False
        self.poll("the game to end", ended, game_may_end=True)
        return self.game.returncode

    def keep_evidence(self):
        """What a failed play leaves for a person to read."""
        for number, (what, capture) in enumerate(self.step_captures, 1):
            if not capture:
                continue
            name = os.path.join(self.work, "step-%d-%s" % (number, "-".join(what.split()[:3])))
            with open(name + ".xwd", "wb") as out:
                out.write(capture)
            try:
                with open(name + ".png", "wb") as out:
                    out.write(Screen(capture).png())
            except Failure:
                pass
        try:
            tree = subprocess.run(["xwininfo", "-root", "-tree"], env=self.env, timeout=20,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT).stdout
            with open(os.path.join(self.work, "windows.txt"), "wb") as out:
                out.write(tree)
        except (OSError, subprocess.TimeoutExpired):
            pass

    def show_wine_output(self, lines=40):
        self.output.flush()
        with open(self.output.name, "rb") as printed:
            tail = printed.read().decode("utf-8", "replace").splitlines()[-lines:]
        for line in tail:
            print("wine: " + line, file=sys.stderr)

    def wait_for_wine(self):
        """Lets the prefix's Wine server end before its display goes."""
        for server in ("/usr/lib/wine/wineserver", "/usr/lib/wine/wineserver64"):
            if os.path.exists(server):
                try:
                    subprocess.run([server, "-w"], env=self.env, timeout=30)
                except subprocess.TimeoutExpired:
                    pass
                return

    def stop(self):
        """Ends the runner and the Wine loader it started (its own group)."""
        if self.game.poll() is None:
            os.killpg(self.game.pid, signal.SIGTERM)
            try:
                self.game.wait(20)
            except subprocess.TimeoutExpired:
                os.killpg(self.game.pid, signal.SIGKILL)
                self.game.wait()


class Screen:
    """An xwd capture of the root window (ZPixmap, depth 24)."""

    def __init__(self, data):
        fields = struct.unpack(">25I", data[:100])
        header_size, version, pixmap_format, depth, width, height = fields[:6]
        byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
        red_mask, green_mask, blue_mask = fields[14:17]
        colours = fields[19]
        # Xvfb may hand out depth 24 packed in three bytes or padded to four.
        self.bytes = bits_per_pixel // 8
        if version != 7 or pixmap_format != 2 or depth != 24 or self.bytes not in (3, 4) or \
                bytes_per_line < width * self.bytes:
            raise Failure("unexpected capture format (version %d, format %d, depth %d, %d bits)"
                          % (version, pixmap_format, depth, bits_per_pixel))
        self.width, self.height = width, height
        self.pixels = data[header_size + colours * 12:]
        if len(self.pixels) < bytes_per_line * height:
            raise Failure("short capture")
        self.stride = bytes_per_line
        self.order = "little" if byte_order == 0 else "big"
        self.shifts = [(mask, (mask & -mask).bit_length() - 1)
                       for mask in (red_mask, green_mask, blue_mask)]

    def pixel(self, x, y):
        at = y * self.stride + x * self.bytes
        value = int.from_bytes(self.pixels[at:at + self.bytes], self.order)
        return tuple((value & mask) >> shift for mask, shift in self.shifts)

    def find_square(self, colour, size=8):
        """Top-left of the first size x size square of exactly colour."""
        for y in range(0, self.height - size + 1):
            for x in range(0, self.width - size + 1, size):
                if self.pixel(x, y) != colour:
                    continue
                left = x
                while left > 0 and self.pixel(left - 1, y) == colour:
                    left -= 1
                if all(self.pixel(left + i, y + j) == colour
                       for i in range(size) for j in range(size)):
                    return (left, y)
        return None

    def png(self):
        """The capture as an RGB PNG, for a person to look at."""
        rows = bytearray()
        for y in range(self.height):
            rows.append(0)
            for x in range(self.width):
                rows += bytes(self.pixel(x, y))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + \
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + \
            chunk(b"IDAT", zlib.compress(bytes(rows))) + chunk(b"IEND", b"")

    def cell(self, x, y):
        return [[self.pixel(x + i, y + j) for i in range(DIGIT_WIDTH)] for j in range(DIGIT_HEIGHT)]


def figure_cells():
    figure = pictures.figure()
    return [[row[d * DIGIT_WIDTH:(d + 1) * DIGIT_WIDTH] for row in figure.rows]
            for d in range(10)]


def read_number(screen, origin, cells, digits):
    """The digits the cells show exactly, or None when one is no digit."""
    if not screen:
        return None
    text = ""
    for (x, y) in cells:
        shown = screen.cell(origin[0] + x, origin[1] + y)
        matches = [d for d in range(10) if digits[d] == shown]
        if not matches:
            return None
        text += str(matches[0])
    return text


def client_origin(screen, name, offset=(0, 0)):
    found = screen.find_square(pictures.MARKERS[name])
    if not found:
        return None
    return (found[0] - offset[0], found[1] - offset[1])


def play(session):
    session.answer_question_no()
    session.focus_game()
    digits = figure_cells()
    last_click = [0.0]

    def into_stage():
        screen = session.capture()
        if not screen:
            return None
        stage = client_origin(screen, "Stage", (PANEL_X, 0))
        if stage:
            return stage
        # A click in a fade is ignored: click again only on a picture
        # fully shown, at most once a second.
        if (client_origin(screen, "Title") or client_origin(screen, "Tutorial")) and \
                time.monotonic() - last_click[0] > 1.0:
            session.press(1)
            last_click[0] = time.monotonic()
        return None

    origin = session.poll("the stage panel", into_stage)
    session.poll("balls 05", lambda: read_number(session.capture(), origin, BALL_CELLS, digits) == "05")
    last_launch = [time.monotonic()]
    session.press(3)

    def scored():
        screen = session.capture()
        score = read_number(screen, origin, SCORE_CELLS, digits)
        high = read_number(screen, origin, HISCORE_CELLS, digits)
        balls = read_number(screen, origin, BALL_CELLS, digits)
        if score == "00000010" and high == "00000010" and balls is not None:
            return True
        # Once held, the ball leaves with the next right press; repeats are
        # ignored while no ball is in hand.
        if time.monotonic() - last_launch[0] > 20.0:
            session.press(3)
            last_launch[0] = time.monotonic()
        return False

    session.poll("score and high score 10 in Figure.png's digits", scored)


def check_saved(work):
    data = os.path.join(work, "Data")
    expected = {"HiScore.dat": HISCORE_TEN, "Init.dat": INIT_VALUE, "KeyConfig.dat": DEFAULT_KEY_BYTES}
    problems = []
    for name, want in expected.items():
        path = os.path.join(data, name)
        got = open(path, "rb").read() if os.path.exists(path) else None
        if got != want:
            problems.append("%s holds %s, not %s" % (name, got.hex(" ") if got is not None else "nothing",
                                                    want.hex(" ")))
    if problems:
        raise Failure("; ".join(problems))


def print_saved(work):
    data = os.path.join(work, "Data")
    for name in sorted(os.listdir(data)):
        with open(os.path.join(data, name), "rb") as saved:
            print("Data/%s: %s" % (name, saved.read().hex(" ")))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("game_dir")
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--work")
    parser.add_argument("--prefix")
    args = parser.parse_args()
    work = os.path.abspath(args.work or tempfile.mkdtemp(prefix="pellacor-e2e-"))
    if not args.quick and os.path.realpath(work) == os.path.realpath(args.game_dir):
        parser.error("the full play installs its own stage: give it a work folder of its own")
    os.makedirs(work, exist_ok=True)
    install(os.path.abspath(args.game_dir), work, args.quick)
    display = Display()
    session = Session(work, display, args.prefix)
    try:
        if args.quick:
            session.answer_question_no()
            session.focus_game()
        else:
            play(session)
        code = session.end_with_escape()
        if code != 0:
            raise Failure("the game ended with %d" % code)
        if not args.quick:
            check_saved(work)
        print_saved(work)
    except Failure as failure:
        session.keep_evidence()
        session.stop()
        session.show_wine_output()
        print("pellacor_e2e: %s (work folder %s)" % (failure, work), file=sys.stderr)
        return 1
    finally:
        session.stop()
        session.wait_for_wine()
        session.output.close()
        display.close()
        progress("display closed")
    if not args.work:
        shutil.rmtree(work, ignore_errors=True)
    print("pellacor_e2e: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
