"""The program used as a person uses it, on the private session of run.sh:

1. Start it; it shows the note "A" in octave "4". Drag the volume slider's thumb half-way down
   and select "Sound": A4 sounds at 440 Hz, continuously, at the level that the slider sets.
2. Listen for 3 s, as a musician does, then click the note stepper's upper arrow: A4 stops,
   the designed mute follows (100 ms, give or take 30), then A#4 sounds at 466.16 Hz at its
   level, with no other gap. Listen for 3 s and step up again: the same mute, then B4 at
   493.88 Hz.
3. Leave through the menu's Exit: the settings file holds the last tone.
4. Start it again: it shows "B" and "4". Step up to C5, move the window to 500,400 and end
   the program by SIGTERM, as a logout does.
5. Start it again: the window opens at 500,400 and shows "C" and "5".

    parvello_scenario.py PROGRAM OUTPUT_FOLDER
"""

import configparser
import signal
import sys
import time
from pathlib import Path

import desktop
import tone_analysis
from parvello_window import ParvelloWindow, settings_file
from recording import Recording

A4, A_SHARP_4, B4 = 440.0, 466.16376151809, 493.883301256124
SHORTEST_MUTE_SECONDS, LONGEST_MUTE_SECONDS = 0.070, 0.130
# Each tone is recorded this long: long enough to pass its loop seam (2 s) at least once, and
# as long as a musician listens before the next change.
TONE_SECONDS = 3.0
# A full-level tone's peak: the tone image's 96 steps around its middle, 256 each on 16 bits.
FULL_AMPLITUDE = 96 * 256
# Where the window is moved before the program is ended by SIGTERM.
MOVED_TO = (500, 400)


def expected_amplitude(slider_position):
    """The slider sets the channel level 65535 - position (0 at its top is loudest); the
    tones here lie in the band where loudness compensation leaves the level alone."""
    return FULL_AMPLITUDE * (65535 - slider_position) / 65535


def check_recording(frames, slider_position):
    rows = tone_analysis.describe(frames)
    desktop.log(f"recording: {rows}")
    sounds = [s for s in tone_analysis.stretches(frames) if not s.silent]
    if len(sounds) != 3:
        raise AssertionError(f"expected A4, A#4 and B4 with a mute before each step; the "
                             f"recording holds {len(sounds)} stretches of sound: {rows}")
    problems = []
    mutes = [(after.start - before.end) / tone_analysis.RATE
             for before, after in zip(sounds, sounds[1:])]
    for mute in mutes:
        if not SHORTEST_MUTE_SECONDS <= mute <= LONGEST_MUTE_SECONDS:
            problems.append(f"a mute between the tones lasts {mute * 1000:.1f} ms")
    amplitude = expected_amplitude(slider_position)
    for name, stretch, frequency in zip(("A4", "A#4", "B4"), sounds, (A4, A_SHARP_4, B4)):
        if stretch.seconds < 2.0:
            problems.append(f"{name} sounds only {stretch.seconds:.2f} s without a gap")
            continue
        figures = tone_analysis.measure(frames, stretch)
        desktop.log(f"{name}: {figures}")
        problems += [f"{name}: {p}" for p in
                     tone_analysis.tone_problems(figures, frequency, amplitude)]
    if problems:
        raise AssertionError("; ".join(problems))
    desktop.log(f"A4, A#4 and B4 after mutes of "
                f"{', '.join(f'{mute * 1000:.1f}' for mute in mutes)} ms: as designed")


def stored_tone():
    """"F_Sound" and "Keyupdown" as the settings file holds them."""
    path = settings_file()
    if not path.is_file():
        raise AssertionError(f"the program left no settings file at {path}")
    store = configparser.ConfigParser(interpolation=None)
    store.optionxform = str  # the value names are case-sensitive
    store.read(path, encoding="utf-8")
    if not store.has_section("Setting"):
        raise AssertionError(f"the settings file has no section Setting: {path.read_text()}")
    return store["Setting"].get("F_Sound"), store["Setting"].get("Keyupdown")


def first_run(program_path, out):
    with desktop.Program([program_path], out / "parvello-first-run.log") as program:
        window = ParvelloWindow(program)
        shown = (window.text_of("tone"), window.text_of("oct"))
        if shown != ("A", "4"):
            raise AssertionError(f"a first run shows {shown}, not ('A', '4')")
        # Half-way, so that the level shows that the slider scales the tone.
        slider_position = int(window.drag_slider_down(50))
        if not 16384 <= slider_position <= 49152:
            raise AssertionError(f"the slider was dragged to {slider_position}, not half-way")
        desktop.log(f"the volume slider at {slider_position}")
        with Recording(out / "parvello-tones.raw") as recording:
            window.select_sound()
            time.sleep(TONE_SECONDS)
            for note in ("A#", "B"):
                window.step_up()
                desktop.wait_for(f"the note to read '{note}'",
                                 lambda: window.text_of("tone") == note)
                time.sleep(TONE_SECONDS)
            frames = recording.stop()
        desktop.screenshot(out / "parvello-window.png", window.window)
        check_recording(frames, slider_position)
        window.exit_through_menu()
        code = program.wait_for_exit()
        if code != 0:
            raise AssertionError(f"the program ended with {code} after Exit")

    stored = stored_tone()
    if stored != ("493.883301256124", "12"):
        raise AssertionError(f"the settings file holds F_Sound and Keyupdown {stored}")
    desktop.log(f"settings kept: F_Sound {stored[0]}, Keyupdown {stored[1]}")


def second_run(program_path, out):
    with desktop.Program([program_path], out / "parvello-second-run.log") as program:
        window = ParvelloWindow(program)
        shown = (window.text_of("tone"), window.text_of("oct"))
        if shown != ("B", "4"):
            raise AssertionError(f"the second run shows {shown}, not ('B', '4')")
        window.step_up()
        desktop.wait_for("the note to read 'C'", lambda: window.text_of("tone") == "C")
        desktop.xdotool("windowmove", window.window, *MOVED_TO)
        desktop.wait_for(f"the window at {MOVED_TO}",
                         lambda: desktop.extents(window.frame)[:2] == MOVED_TO)
        # Once, as a logout sends it.
        program.process.send_signal(signal.SIGTERM)
        code = program.wait_for_exit()
        if code != 0:
            raise AssertionError(f"the program ended with {code} after SIGTERM")
    desktop.log("the second run shows B 4, and ends by SIGTERM at C 5")


def third_run(program_path, out):
    with desktop.Program([program_path], out / "parvello-third-run.log") as program:
        window = ParvelloWindow(program)
        shown = (desktop.extents(window.frame)[:2], window.text_of("tone"), window.text_of("oct"))
        if shown != (MOVED_TO, "C", "5"):
            raise AssertionError(f"after SIGTERM the next run shows {shown}, not "
                                 f"{(MOVED_TO, 'C', '5')}")
        window.exit_through_menu()
        program.wait_for_exit()
    desktop.log(f"after SIGTERM the window opens at {MOVED_TO} and shows C 5")


def main():
    desktop.environment_ready()
    program_path, out = sys.argv[1], Path(sys.argv[2])
    out.mkdir(parents=True, exist_ok=True)
    first_run(program_path, out)
    second_run(program_path, out)
    third_run(program_path, out)


if __name__ == "__main__":
    main()
