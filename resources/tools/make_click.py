#!/usr/bin/env python3
"""Writes the click sound: 1079 samples of 16-bit mono PCM at 22050 Hz
(2202 bytes in all), a soft two-tone tick with a fast decay."""
import math
import os
import random
import struct

RATE = 22050
SAMPLES = 1079


def samples():
    rng = random.Random(20141808)
    out = []
    for n in range(SAMPLES):
        t = n / RATE
        attack = min(1.0, n / 22.0)
        body = math.exp(-t * 150.0)
        tone = 0.62 * math.sin(2 * math.pi * 1850 * t) + 0.28 * math.sin(2 * math.pi * 3100 * t)
        noise = 0.18 * (rng.random() * 2 - 1) * math.exp(-t * 600.0)
        tail = 1.0 if n < SAMPLES - 60 else (SAMPLES - n) / 60.0  # no step at the end
        v = attack * body * tail * (tone + noise)
        out.append(max(-32767, min(32767, int(round(v * 14000)))))
    return out


def main():
    data = b"".join(struct.pack("<h", s) for s in samples())
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE * 2, 2, 16)
    header += b"data" + struct.pack("<I", len(data))
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sounds", "click.wav")
    with open(path, "wb") as f:
        f.write(header + data)


if __name__ == "__main__":
    main()
