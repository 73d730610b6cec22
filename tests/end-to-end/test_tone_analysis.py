"""The recording analysis finds what it must find, on tones made as the program makes
them: it must tell a right tone from one a little off, a clean loop from a click, a mute
from a continuous tone, and the level that a tone plays at."""

import unittest

import numpy as np

import synthetic_tone as tone
import tone_analysis as analysis


def measure_whole(channel):
    frames = tone.stereo(channel)
    [stretch] = analysis.stretches(frames)
    return analysis.measure(frames, stretch)


def with_click(channel, at):
    """The same tone with half a period of its wave skipped at one sample."""
    return np.concatenate((channel[:at], channel[at + 25:]))


class ToneFiguresTest(unittest.TestCase):
    ROWS = [
        # name, channel, expected frequency, expected amplitude, problems wanted
        ("A4 looped at full level is right", tone.looped(440.0, 3), 440.0,
         tone.FULL_AMPLITUDE, False),
        ("A#4 looped across its inexact seam is right", tone.looped(466.16376151809, 3),
         466.16376151809, tone.FULL_AMPLITUDE, False),
        ("A4 at a quarter level is right at that level", tone.looped(440.0, 3, 65535 // 4),
         440.0, tone.FULL_AMPLITUDE / 4, False),
        ("0.06 Hz off is a wrong frequency", tone.looped(440.06, 3), 440.0,
         tone.FULL_AMPLITUDE, True),
        ("a tone at half the level expected is too quiet", tone.looped(440.0, 3, 65535 // 2),
         440.0, tone.FULL_AMPLITUDE, True),
        ("half a period skipped is a click", with_click(tone.looped(440.0, 3), 30000), 440.0,
         tone.FULL_AMPLITUDE, True),
    ]

    def test_rows(self):
        for name, channel, frequency, amplitude, wrong in self.ROWS:
            with self.subTest(name):
                problems = analysis.tone_problems(measure_whole(channel), frequency, amplitude)
                self.assertEqual(bool(problems), wrong, problems)

    def test_frequency_is_found_far_within_the_tolerance(self):
        self.assertAlmostEqual(measure_whole(tone.looped(440.0, 2.5)).frequency, 440.0,
                               delta=0.005)


class StretchesTest(unittest.TestCase):
    def test_a_mute_between_two_tones_is_one_gap_of_its_length(self):
        channel = np.concatenate((tone.looped(440.0, 1), tone.silence(0.120),
                                  tone.looped(466.16376151809, 1)))
        kinds = [(s.silent, round(s.seconds, 3)) for s in
                 analysis.stretches(tone.stereo(channel))]
        self.assertEqual(kinds, [(False, 1.0), (True, 0.12), (False, 1.0)])

    def test_quiet_tones_and_low_tones_have_no_gaps(self):
        for name, channel in [("A4 at level 2000", tone.looped(440.0, 1, 2000)),
                              ("C0 at full level", tone.looped(16.3515978312874, 1))]:
            with self.subTest(name):
                self.assertEqual(len(analysis.stretches(tone.stereo(channel))), 1)

    def test_a_dropout_of_three_milliseconds_is_a_gap(self):
        channel = tone.looped(440.0, 1)
        channel[10000:10000 + 66] = 0
        self.assertEqual([s.silent for s in analysis.stretches(tone.stereo(channel))],
                         [False, True, False])


if __name__ == "__main__":
    unittest.main()
