"""Tones made the way the program makes them, for checking the analysis and the harness:
an 8-bit sine of amplitude 96 around 128 at 22050 samples per second, cut just before the
first upward pass through the middle at or after two seconds, looped, widened to 16 bits
and scaled by a channel level of 0 to 65535."""

import math
import wave

import numpy as np

RATE = 22050
FULL_LEVEL = 65535
# The peak of a full-level tone on 16 bits: 96 steps of 8 bits, 256 each.
FULL_AMPLITUDE = 96 * 256


def loop_image(frequency):
    """One loop of 8-bit samples."""
    n = np.arange(80000)
    samples = np.rint(np.sin(2 * math.pi * frequency * n / RATE) * 96 + 128).astype(np.int64)
    upward = np.flatnonzero((samples[2 * RATE - 1:-1] < 128) & (samples[2 * RATE:] >= 128))
    length = 2 * RATE + (int(upward[0]) if len(upward) else 80000 - 2 * RATE)
    return samples[:length]


def looped(frequency, seconds, level=FULL_LEVEL):
    """The looped tone on 16 bits at the given level, one channel."""
    image = loop_image(frequency)
    count = int(seconds * RATE)
    tiled = np.resize(image, count)
    return (tiled - 128) * 256 * level // FULL_LEVEL


def silence(seconds):
    return np.zeros(int(seconds * RATE), dtype=np.int64)


def stereo(channel):
    return np.stack([channel, channel], axis=1)


def write_wave(path, channel):
    """A 16-bit stereo WAVE file of one channel doubled."""
    with wave.open(str(path), "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(stereo(channel).astype("<i2").tobytes())
