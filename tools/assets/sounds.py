#!/usr/bin/python3
"""Writes the two effects (Sound/*.wav) and, with oggenc, the music
(Music/block.ogg). The effects are computed here sample by sample, so they
are byte-stable; the music depends on the encoder."""

import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

EFFECT_RATE = 22050
MUSIC_RATE = 44100


def write_wav(path, rate, channels, samples):
    with wave.open(path, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, s))) for s in samples))


def burst():
    """delete.wav: 0.4 s of decaying noise under a falling tone."""
    state = 12345
    count = int(EFFECT_RATE * 0.4)
    samples = []
    for i in range(count):
        state = (state * 1103515245 + 12345) % 2 ** 31
        noise = (state >> 16) / 32768.0 - 0.5
        tone = math.sin(2 * math.pi * (300 - 200 * i / count) * i / EFFECT_RATE)
        envelope = (1 - i / count) ** 2
        samples.append(int(round(20000 * envelope * (0.7 * noise + 0.3 * tone))))
    return samples


def knock():
    """shok.wav: a 0.08 s blip."""
    count = int(EFFECT_RATE * 0.08)
    return [int(round(16000 * (1 - i / count) * math.sin(2 * math.pi * 880 * i / EFFECT_RATE)))
            for i in range(count)]


def tune():
    """8 s of a two-voice loop, stereo."""
    notes = [60, 64, 67, 72, 67, 64, 62, 65, 69, 74, 69, 65, 60, 64, 67, 72]
    step = MUSIC_RATE // 2
    samples = []
    for i in range(MUSIC_RATE * 8):
        note = notes[(i // step) % len(notes)]
        freq = 440.0 * 2 ** ((note - 69) / 12)
        phase = (i % step) / step
        envelope = min(1.0, phase * 20) * (1 - phase) ** 0.5
        left = math.sin(2 * math.pi * freq * i / MUSIC_RATE) * envelope
        right = math.sin(2 * math.pi * freq / 2 * i / MUSIC_RATE) * 0.8
        samples += [int(round(9000 * left)), int(round(6000 * right))]
    return samples


def write(root, with_music=True):
    sound = os.path.join(root, "Sound")
    os.makedirs(sound, exist_ok=True)
    write_wav(os.path.join(sound, "delete.wav"), EFFECT_RATE, 1, burst())
    write_wav(os.path.join(sound, "shok.wav"), EFFECT_RATE, 1, knock())
    if not with_music:
        return
    music = os.path.join(root, "Music")
    os.makedirs(music, exist_ok=True)
    with tempfile.TemporaryDirectory() as scratch:
        source = os.path.join(scratch, "block.wav")
        write_wav(source, MUSIC_RATE, 2, tune())
        subprocess.run(["oggenc", "--quiet", "--quality", "2", "--serial", "1", "--discard-comments",
                        "-o", os.path.join(music, "block.ogg"), source], check=True)


if __name__ == "__main__":
    write(sys.argv[1], "--no-music" not in sys.argv)
