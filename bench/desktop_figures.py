"""The figures a user would ask for, measured on the private session of desktop-figures.sh,
with a minimal Qt Widgets window measured in the same run as the floor:

- start-up: from starting the program to the first pixels of its window (first_paint_probe);
- resident memory: once the window shows (the floor) and while a tone plays (the program);
- CPU while a tone loops, over ten seconds;
- how each restart is heard (click_latency_probe): the silence between the old tone and the
  new one, and the delay from the X click to the new tone at the sink, designed mute
  included, for clicks on the stepper's upper arrow 0.3, 1, 3 and 10 s apart, on two string
  buttons in turn, on Sound after 1, 3 and 10 s in Off, and on the menu's Sound after 6 s in
  Off (two restarts in a row).

    desktop_figures.py BUILD_FOLDER ROUNDS [--restarts-only]
"""

import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

import desktop
from parvello_window import LAYOUT, ParvelloWindow, settings_file

CPU_SECONDS = 10
STEPPER_PACES = (0.3, 1, 3, 10)
OFF_PACES = (1, 3, 10)
SOUND_ITEM = "サウンド(S)"  # the menu's Sound, its accessible name without the "&"
VIOLIN = 1  # the instrument list after "None": strings G3, D4, A4, E5


def first_paint_ms(probe, program):
    out = subprocess.run([probe, program], check=True, capture_output=True, text=True,
                         timeout=120).stdout
    return float(dict(line.split() for line in out.splitlines())["painted"])


def startup(build, programs, rounds):
    probe = str(build / "bench/first_paint_probe")
    times = {name: [] for name in programs}
    for _ in range(rounds):
        # Interleaved, so that a busy moment of the machine hits both alike.
        for name, path in programs.items():
            times[name].append(first_paint_ms(probe, path))
    return {name: statistics.median(values) for name, values in times.items()}


def memory_kib(pid):
    """Resident set and proportional set size of a process, in KiB."""
    fields = {}
    for line in Path(f"/proc/{pid}/smaps_rollup").read_text().splitlines()[1:]:
        name, value = line.split(":")
        fields[name] = int(value.split()[0])
    return fields["Rss"], fields["Pss"]


def cpu_seconds(pid):
    """CPU time of every thread of a process, in seconds, from the scheduler's counts."""
    total = 0
    for task in Path(f"/proc/{pid}/task").iterdir():
        total += int((task / "schedstat").read_text().split()[0])
    return total / 1e9


def floor_memory(path, out):
    with desktop.Program([path], out / "bench-floor.log") as program:
        desktop.window_of(program.pid)
        time.sleep(1)
        return memory_kib(program.pid)


def restart_figures(build, window, rounds, paces, points=()):
    """click_latency_probe's report for `rounds` clicks at each of `paces` on each of
    `points` in turn (where the pointer rests, without). The delay counts from the press on
    the stepper, which acts on it, and from the release on buttons and menu items."""
    clicks = rounds * max(len(points), 1)
    command = [str(build / "bench/click_latency_probe"), os.environ["SESSION_SINK"] + ".monitor",
               str(clicks)] + [str(pace) for pace in paces]
    if points:
        command += ["--from-release", "--at"] + [f"{x},{y}" for x, y in points]
    report = subprocess.run(command, check=True, capture_output=True, text=True,
                            timeout=600).stdout
    # The summary lines, not each click's.
    return "".join(line + "\n" for line in report.splitlines() if line.startswith("every"))


def menu_item_point(window, title, item):
    """The centre of a menu item, found with its menu open, which is closed again."""
    desktop.raise_window(window.window)
    desktop.click_centre(desktop.find(window.app, "menu item", title, showing=True))
    x, y, width, height = desktop.extents(
        desktop.find(window.app, "menu item", item, showing=True))
    desktop.key(window.window, "Escape")
    desktop.key(window.window, "Escape")
    return x + width // 2, y + height // 2


def program_figures(build, path, out, rounds, restarts_only):
    """Memory and CPU while a tone loops, and how restarts are heard, on the real program."""
    # The violin's strings show, so that two of them can be clicked in turn.
    settings_file().parent.mkdir(parents=True, exist_ok=True)
    settings_file().write_text(f"[Setting]\nItems={VIOLIN}\n")
    with desktop.Program([path], out / "bench-parvello.log") as program:
        window = ParvelloWindow(program)
        window.select_sound()
        # Full level, so that the click probe hears the tones clearly.
        window.slider_to_top()
        time.sleep(1)
        memory = memory_kib(program.pid)
        cpu = None
        if not restarts_only:
            before, started = cpu_seconds(program.pid), time.monotonic()
            time.sleep(CPU_SECONDS)
            cpu = (cpu_seconds(program.pid) - before) / (time.monotonic() - started)
        stepper = window.point("UpDown1", dy=LAYOUT["UpDown1"][3] // 4)
        desktop.move_pointer(*stepper)
        restarts = "-- the stepper's upper arrow\n" + restart_figures(build, window, rounds,
                                                                   STEPPER_PACES)
        strings = [window.point(name, dx=8) for name in ("SSelect1", "SSelect2")]
        restarts += ("-- the violin's G and D strings in turn (each restarts once: a string "
                     "button sets the octave flag for the next one's octave change)\n" +
                     restart_figures(build, window, rounds, (3,), strings))
        modes = [window.point(name, dx=8) for name in ("RB_Off", "RB_Sound")]
        restarts += ("-- Off and Sound in turn: Sound after that long in Off\n" +
                     restart_figures(build, window, rounds, OFF_PACES, modes))
        menu = [window.point("RB_Off", dx=8),
                menu_item_point(window, "ﾌｧｲﾙ(F)", SOUND_ITEM)]
        # Off, the menu's title, then its Sound item, 3 s apart.
        title = desktop.extents(desktop.find(window.app, "menu item", "ﾌｧｲﾙ(F)"))
        menu.insert(1, (title[0] + title[2] // 2, title[1] + title[3] // 2))
        restarts += ("-- Off, the menu, and the menu's Sound in turn\n" +
                     restart_figures(build, window, rounds, (3,), menu))
        window.exit_through_menu()
        program.wait_for_exit()
    return memory, cpu, restarts


def main():
    desktop.environment_ready()
    build, rounds = Path(sys.argv[1]).resolve(), int(sys.argv[2])
    restarts_only = "--restarts-only" in sys.argv[3:]
    out = build / "bench-desktop"
    out.mkdir(exist_ok=True)
    floor = str(build / "bench/minimal_window")
    parvello = str(build / "app/parvello")
    server = os.environ.get("SESSION_SOUND_SERVER", "pulseaudio")

    if not restarts_only:
        has_window = first_paint_ms_or_none(build, parvello)
        programs = {"minimal window": floor}
        if has_window:
            programs["parvello"] = parvello
        starts = startup(build, programs, rounds)
        floor_rss, floor_pss = floor_memory(floor, out)

        print(f"== Start to first painted window, median of {rounds}")
        for name, ms in starts.items():
            print(f"{name:16} {ms:7.1f} ms")
        print("== Resident memory")
        print(f"{'minimal window':16} {floor_rss / 1024:7.1f} MiB resident, "
              f"{floor_pss / 1024:.1f} MiB proportional")
        if not has_window:
            print("parvello: the program shows no window yet; its figures follow once it does")
            return
    (rss, pss), cpu, restarts = program_figures(build, parvello, out, rounds, restarts_only)
    if not restarts_only:
        print(f"{'parvello, tone':16} {rss / 1024:7.1f} MiB resident, {pss / 1024:.1f} MiB "
              f"proportional")
        print(f"== Ratios to the floor: start-up "
              f"{starts['parvello'] / starts['minimal window']:.2f}, "
              f"resident memory {rss / floor_rss:.2f}")
        print(f"== CPU while a tone loops: {100 * cpu:.2f} % of one core over {CPU_SECONDS} s")
    print(f"== {server}: restarts as clicks make them, {rounds} clicks at each pace")
    print(restarts, end="")


def first_paint_ms_or_none(build, program):
    try:
        return first_paint_ms(str(build / "bench/first_paint_probe"), program)
    except subprocess.CalledProcessError:
        return None


if __name__ == "__main__":
    main()
