#!/usr/bin/env python3
"""Synthesises the player's two sound effects as 16-bit mono PCM WAV files.

  shot.wav   a camera shutter: the blade's click, then the softer clack of
             the mirror settling
  shake.wav  a short rattle, as of a phone shaken with loose things in it

The noise comes from seeded generators, so every build writes the same bytes.

Usage: synth_sounds.py OUTPUT_FOLDER
"""

import math
import os
import random
import struct
import sys
import wave

RATE = 44100
PEAK = 0.7  # of full scale, leaving headroom for the audio mixer
FADE_S = 0.004  # both ends fade, so nothing clicks when playback starts or stops


def silence(seconds):
    return [0.0] * int(round(seconds * RATE))


class LowPass:
    """One-pole low-pass filter: takes the hiss off white noise."""

    def __init__(self, cutoff_hz):
        self.k = 1.0 - math.exp(-2.0 * math.pi * cutoff_hz / RATE)
        self.state = 0.0

    def __call__(self, x):
        self.state += self.k * (x - self.state)
        return self.state


def add_impact(samples, start_s, gain, decay_s, cutoff_hz, ring_hz, ring_gain, rng):
    """Mixes in one hit: filtered noise and a faint ring, both dying away."""
    first = int(start_s * RATE)
    length = min(len(samples) - first, int(decay_s * 8 * RATE))
    low = LowPass(cutoff_hz)
    for n in range(length):
        t = n / RATE
        envelope = gain * math.exp(-t / decay_s)
        noise = low(rng.uniform(-1.0, 1.0))
        ring = ring_gain * math.sin(2.0 * math.pi * ring_hz * t)
        samples[first + n] += envelope * (noise + ring)


def shutter():
    rng = random.Random(0x5407)
    samples = silence(0.26)
    add_impact(samples, 0.000, 1.0, 0.006, 7000, 2300, 0.35, rng)
    add_impact(samples, 0.012, 0.35, 0.010, 3000, 1400, 0.25, rng)
    add_impact(samples, 0.085, 0.75, 0.008, 5000, 1800, 0.30, rng)
    add_impact(samples, 0.097, 0.25, 0.014, 2500, 1100, 0.20, rng)
    return samples


def rattle():
    rng = random.Random(0x5A4E)
    samples = silence(0.42)
    t = 0.0
    # Hits come in quick pairs, as the loose parts strike both walls.
    while t < 0.34:
        swing = 0.55 + 0.45 * math.sin(math.pi * t / 0.34)
        add_impact(samples, t, swing, 0.005, 4200, 900 + rng.uniform(0, 500), 0.15, rng)
        add_impact(samples, t + 0.018, 0.6 * swing, 0.004, 3200, 700 + rng.uniform(0, 400), 0.10, rng)
        t += 0.045 + rng.uniform(-0.006, 0.006)
    return samples


def finish(samples):
    """Scales to the peak level and fades both ends."""
    top = max(abs(s) for s in samples)
    scaled = [s * PEAK / top for s in samples]
    fade = int(FADE_S * RATE)
    for n in range(fade):
        factor = n / fade
        scaled[n] *= factor
        scaled[-1 - n] *= factor
    return scaled


def write_wav(path, samples):
    frames = b"".join(struct.pack("<h", int(round(s * 32767))) for s in finish(samples))
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


def main(argv):
    if len(argv) != 1:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    write_wav(os.path.join(argv[0], "shot.wav"), shutter())
    write_wav(os.path.join(argv[0], "shake.wav"), rattle())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
