"""What a recording of the sink's monitor holds: where sound is and where it is silent, and
for each stretch of sound its frequency, its level and its largest sample-to-sample jump.

Recordings are raw 16-bit little-endian stereo at the sink's rate, as `parec --raw` writes
them. A tone is measured on its left channel; the right one must carry the same level.

    python3 tone_analysis.py RECORDING.raw   prints the stretches found, for a test log
"""

import json
import math
import sys
from dataclasses import asdict, dataclass

import numpy as np

RATE = 22050

# A sample counts as silent at or below this magnitude (of 32767). Silence from the sound
# server is exact zeros; the margin allows for rounding in a level scaled down to nothing.
SILENCE_LEVEL = 2
# Shorter quiet runs are part of a tone: a sine lingers near zero for a sample or two at
# each crossing, and a very low tone for longer, but never for 2 ms at an audible level.
SHORTEST_GAP_SECONDS = 0.002
# How far from either end of a stretch the jump check starts: a tone starts and stops
# wherever the sound server switches it, so its first and last samples may jump.
EDGE_SECONDS = 0.010


@dataclass
class Stretch:
    start: int  # first sample
    end: int  # one past the last sample
    silent: bool

    @property
    def seconds(self):
        return (self.end - self.start) / RATE


@dataclass
class ToneFigures:
    frequency: float  # hertz, from the first to the last upward zero crossing
    amplitude: float  # of 32767: the peak of a sine with the stretch's RMS
    right_amplitude: float
    largest_jump: int  # largest sample-to-sample change away from the stretch's ends
    sine_step: float  # largest step of a sine with this frequency and amplitude
    seconds: float

    @property
    def jump_ratio(self):
        return self.largest_jump / self.sine_step if self.sine_step else math.inf


def load(path):
    """The recording as an array of (left, right) rows of plain integers."""
    raw = np.fromfile(path, dtype="<i2")
    raw = raw[: len(raw) // 2 * 2]
    return raw.reshape(-1, 2).astype(np.int64)


def stretches(frames, shortest_gap_seconds=SHORTEST_GAP_SECONDS):
    """The recording cut into alternating sound and silence, in order. A quiet run shorter
    than the shortest gap belongs to the sound around it."""
    quiet = np.max(np.abs(frames), axis=1) <= SILENCE_LEVEL
    shortest_gap = int(shortest_gap_seconds * RATE)
    # Edges of the quiet runs.
    padded = np.concatenate(([False], quiet, [False])).astype(np.int8)
    starts = np.flatnonzero(np.diff(padded) == 1)
    ends = np.flatnonzero(np.diff(padded) == -1)
    gaps = [(s, e) for s, e in zip(starts, ends) if e - s >= shortest_gap]
    result = []
    position = 0
    for start, end in gaps:
        if start > position:
            result.append(Stretch(position, int(start), False))
        result.append(Stretch(int(start), int(end), True))
        position = int(end)
    if position < len(frames):
        result.append(Stretch(position, len(frames), False))
    return result


def upward_crossings(samples):
    """Times in samples, interpolated linearly, where the wave passes upward through 0."""
    below = samples[:-1] < 0
    at_or_above = samples[1:] >= 0
    n = np.flatnonzero(below & at_or_above)
    before = samples[n].astype(np.float64)
    after = samples[n + 1].astype(np.float64)
    return n + (-before) / (after - before)


def measure(frames, stretch):
    """Frequency, level and largest jump of one stretch of sound."""
    left = frames[stretch.start:stretch.end, 0]
    right = frames[stretch.start:stretch.end, 1]
    crossings = upward_crossings(left)
    if len(crossings) < 3:
        raise ValueError(f"no tone in samples {stretch.start} to {stretch.end}")
    periods = len(crossings) - 1
    span = crossings[-1] - crossings[0]
    frequency = periods * RATE / span
    # The level over whole periods only, so that a part period does not bias it.
    first, last = int(math.ceil(crossings[0])), int(math.floor(crossings[-1]))

    def amplitude(channel):
        whole = channel[first:last].astype(np.float64)
        return math.sqrt(2 * np.mean(whole * whole))

    left_amplitude = amplitude(left)
    edge = int(EDGE_SECONDS * RATE)
    inner = left[edge:len(left) - edge] if len(left) > 2 * edge + 1 else left
    largest_jump = int(np.max(np.abs(np.diff(inner)))) if len(inner) > 1 else 0
    sine_step = 2 * left_amplitude * math.sin(math.pi * frequency / RATE)
    return ToneFigures(frequency, left_amplitude, amplitude(right), largest_jump, sine_step,
                       stretch.seconds)


def describe(frames):
    """Every stretch of the recording with its figures, as plain data for a log."""
    rows = []
    for stretch in stretches(frames):
        row = {"start_s": round(stretch.start / RATE, 4), "seconds": round(stretch.seconds, 4),
               "silent": stretch.silent}
        if not stretch.silent:
            try:
                figures = measure(frames, stretch)
                row.update({k: round(v, 4) if isinstance(v, float) else v
                            for k, v in asdict(figures).items()})
                row["jump_ratio"] = round(figures.jump_ratio, 3)
            except ValueError as error:
                row["error"] = str(error)
        rows.append(row)
    return rows


def tone_problems(figures, frequency, amplitude, frequency_tolerance=0.05,
                  amplitude_tolerance=0.03, largest_jump_ratio=1.3):
    """What is wrong with a measured tone against the one expected, as sentences; empty
    when it is the expected tone, continuous and at the expected level."""
    problems = []
    if abs(figures.frequency - frequency) > frequency_tolerance:
        problems.append(f"frequency {figures.frequency:.4f} Hz, expected {frequency:.4f} "
                        f"± {frequency_tolerance} Hz")
    for side, measured in (("left", figures.amplitude), ("right", figures.right_amplitude)):
        if abs(measured - amplitude) > amplitude_tolerance * amplitude:
            problems.append(f"{side} amplitude {measured:.1f}, expected {amplitude:.1f} "
                            f"± {amplitude_tolerance:.0%}")
    if figures.jump_ratio > largest_jump_ratio:
        problems.append(f"a jump of {figures.largest_jump} between samples, "
                        f"{figures.jump_ratio:.2f} times the largest step of the sine "
                        f"({figures.sine_step:.0f}): a click or a gap")
    return problems

if __name__ == "__main__":
    print(json.dumps(describe(load(sys.argv[1])), indent=1))
