"""The figures a user would ask for, measured on the private session of desktop-figures.sh,
with a minimal Qt Widgets window measured in the same run as the floor:

- start-up: from starting the program to the first pixels of its window (first_paint_probe);
- resident memory: once the window shows (the floor) and while a tone plays (the program);
- CPU while a tone loops, over ten seconds;
- click-to-new-tone delay: from the X click on the stepper's upper arrow to the new tone at
  the sink, designed mute included (click_latency_probe).

    desktop_figures.py BUILD_FOLDER ROUNDS
"""

import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

import desktop
from parvello_window import ParvelloWindow

CPU_SECONDS = 10


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


def program_figures(build, path, out, rounds):
    """Memory and CPU while a tone loops, and the click delay, on the real program."""
    with desktop.Program([path], out / "bench-parvello.log") as program:
        window = ParvelloWindow(program)
        window.select_sound()
        # Full level, so that the click probe hears the tones clearly.
        window.slider_to_top()
        time.sleep(1)
        memory = memory_kib(program.pid)
        before, started = cpu_seconds(program.pid), time.monotonic()
        time.sleep(CPU_SECONDS)
        cpu = (cpu_seconds(program.pid) - before) / (time.monotonic() - started)
        desktop.move_pointer(*window.point("UpDown1", dy=20))
        latency = subprocess.run(
            [str(build / "bench/click_latency_probe"), os.environ["SESSION_SINK"] + ".monitor",
             str(rounds)], check=True, capture_output=True, text=True, timeout=300).stdout
        window.exit_through_menu()
        program.wait_for_exit()
    return memory, cpu, latency


def main():
    desktop.environment_ready()
    build, rounds = Path(sys.argv[1]).resolve(), int(sys.argv[2])
    out = build / "bench-desktop"
    out.mkdir(exist_ok=True)
    floor = str(build / "bench/minimal_window")
    parvello = str(build / "app/parvello")

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
    (rss, pss), cpu, latency = program_figures(build, parvello, out, rounds)
    print(f"{'parvello, tone':16} {rss / 1024:7.1f} MiB resident, {pss / 1024:.1f} MiB "
          f"proportional")
    print(f"== Ratios to the floor: start-up {starts['parvello'] / starts['minimal window']:.2f}, "
          f"resident memory {rss / floor_rss:.2f}")
    print(f"== CPU while a tone loops: {100 * cpu:.2f} % of one core over {CPU_SECONDS} s")
    print("== Click on the stepper's upper arrow to the new tone at the sink")
    print(latency, end="")


def first_paint_ms_or_none(build, program):
    try:
        return first_paint_ms(str(build / "bench/first_paint_probe"), program)
    except subprocess.CalledProcessError:
        return None


if __name__ == "__main__":
    main()
