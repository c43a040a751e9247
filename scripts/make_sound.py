#!/usr/bin/env python3
"""Writes resources/sound.wav, the finishing chime: two soft bell tones, 0.5 s,
16-bit PCM mono at 22050 Hz in a plain 44-byte RIFF/WAVE header.

The output is deterministic, so running this again gives the same file.
Usage: scripts/make_sound.py [output path]
"""
import math
import os
import struct
import sys

RATE = 22050
LENGTH = 0.5  # seconds
PEAK = 0.6  # of full scale: loud enough to notice, never harsh

# (start in seconds, fundamental in Hz, decay time constant in seconds)
NOTES = [(0.00, 880.00, 0.10), (0.15, 659.25, 0.14)]
# A few partials make a bell of a bare sine.
PARTIALS = [(1.0, 1.0), (2.0, 0.25), (3.0, 0.08)]
ATTACK = 0.004  # a ramp in, so the note does not click
RELEASE = 0.04  # fade to silence at the end


def sample(t):
    value = 0.0
    for start, freq, decay in NOTES:
        local = t - start
        if local < 0:
            continue
        envelope = math.exp(-local / decay) * min(1.0, local / ATTACK)
        for ratio, weight in PARTIALS:
            value += weight * envelope * math.sin(2 * math.pi * freq * ratio * local)
    remaining = LENGTH - t
    if remaining < RELEASE:
        value *= max(0.0, remaining) / RELEASE
    return value


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "sound.wav")
    count = int(RATE * LENGTH)
    raw = [sample(i / RATE) for i in range(count)]
    scale = PEAK * 32767 / max(abs(v) for v in raw)
    data = b"".join(struct.pack("<h", int(round(v * scale))) for v in raw)
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(data), b"WAVE", b"fmt ", 16,
                         1, 1, RATE, RATE * 2, 2, 16, b"data", len(data))
    with open(out, "wb") as f:
        f.write(header + data)


if __name__ == "__main__":
    main()
