"""Checks the end-to-end harness itself on the private session, against things whose
behaviour is known:

- sound: a tone made as the program makes it (A4, a 120 ms mute, A#4) is played through
  ALSA's default PCM with aplay and recorded at the sink's monitor; the analysis must find
  the two tones, their frequencies and level, and the mute;
- desktop: the probe window's controls are read through the accessibility bus, clicked and
  typed into with X input, and the window is closed through its menu.

    harness_check.py PROBE_WINDOW OUTPUT_FOLDER
"""

import subprocess
import sys
from pathlib import Path

import numpy as np

import desktop
import synthetic_tone as tone
import tone_analysis
from recording import Recording

A4, A_SHARP_4 = 440.0, 466.16376151809


def check_sound(out):
    level = 40000
    channel = tone.looped(A4, 1.5, level)
    mute = tone.silence(0.120)
    wave_path = out / "harness-tone.wav"
    tone.write_wave(wave_path, np.concatenate((channel, mute,
                                               tone.looped(A_SHARP_4, 1.5, level))))
    with Recording(out / "harness-tone.raw") as recording:
        subprocess.run(["aplay", "-q", "-D", "default", str(wave_path)], check=True,
                       timeout=60)
        frames = recording.stop()
    desktop.log(f"recorded {len(frames) / tone_analysis.RATE:.2f} s")
    rows = tone_analysis.describe(frames)
    sounds = [s for s in tone_analysis.stretches(frames) if not s.silent]
    if len(sounds) != 2:
        raise AssertionError(f"expected two tones with a mute between, found {rows}")
    gap = (sounds[1].start - sounds[0].end) / tone_analysis.RATE
    amplitude = tone.FULL_AMPLITUDE * level / tone.FULL_LEVEL
    problems = []
    for stretch, frequency in zip(sounds, (A4, A_SHARP_4)):
        figures = tone_analysis.measure(frames, stretch)
        desktop.log(f"{frequency} Hz: measured {figures}")
        problems += tone_analysis.tone_problems(figures, frequency, amplitude)
    if abs(gap - 0.120) > 0.002:
        problems.append(f"a mute of {gap * 1000:.1f} ms, expected 120 ms")
    if problems:
        raise AssertionError("; ".join(problems))
    desktop.log(f"sound: two tones found as played, mute {gap * 1000:.1f} ms")


def check_desktop(probe, out):
    with desktop.Program([probe], out / "harness-probe.log") as program:
        app = desktop.application(program.pid)
        frame = desktop.find(app, "frame", "Probe")
        window = desktop.window_of(program.pid)
        menu_bar = desktop.wait_for("the menu bar", lambda: next(
            n for n in desktop.descendants(frame) if n.getRoleName() == "menu bar"))
        x, y, _, _ = desktop.extents(frame)
        _, bar_y, _, bar_height = desktop.extents(menu_bar)
        client_x, client_y = x, bar_y + bar_height
        desktop.log(f"window at {x},{y}; menu bar {bar_height} px high")

        # The radio button "On" is designed at 10,50 in the client area, 80 × 20.
        desktop.click(client_x + 10 + 10, client_y + 50 + 10)
        # The label is designed at 100,50, 80 × 20; the edit at 10,10, 60 × 30.
        state = desktop.find_at(app, "label", client_x + 110, client_y + 60)
        desktop.wait_for("the label to read 'on'", lambda: desktop.text(state) == "on")
        on = desktop.find(app, "radio button", "On")
        desktop.wait_for("'On' to be checked", lambda: desktop.is_checked(on))

        note = desktop.find_at(app, "text", client_x + 40, client_y + 25)
        desktop.click_centre(note)
        desktop.key(window, "ctrl+a")
        desktop.type_text(window, "C#")
        desktop.wait_for("the note to read 'C#'", lambda: desktop.text(note) == "C#")
        desktop.screenshot(out / "harness-probe.png")

        desktop.click_centre(desktop.find(app, "menu item", "File"))
        desktop.click_centre(desktop.find(app, "menu item", "Exit", showing=True))
        code = program.wait_for_exit()
        if code != 0:
            raise AssertionError(f"the probe window ended with {code}")
    desktop.log("desktop: controls read, clicked and typed into; closed through the menu")


def main():
    desktop.environment_ready()
    probe, out = sys.argv[1], Path(sys.argv[2])
    out.mkdir(parents=True, exist_ok=True)
    check_sound(out)
    check_desktop(probe, out)


if __name__ == "__main__":
    main()
