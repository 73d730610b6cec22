"""The program against a sound server that stops answering, as a hung server does, on the
private session of desktop-figures.sh:

- start to the first painted window with the server answering, stopped (SIGSTOP) and
  absent, median of ROUNDS each (first_paint_probe);
- Sound chosen while the server is stopped and Off 0.2 s later, the server resumed 5 s
  after that: the whole program's CPU in each second throughout, then whether the next
  Sound is heard at the sink.

    stalled_server.py BUILD_FOLDER PROGRAM ROUNDS
"""

import os
import signal
import statistics
import subprocess
import sys
import time
from pathlib import Path

import desktop
from parvello_window import ParvelloWindow
from recording import Recording


def server_pid():
    """The session's server of the PulseAudio protocol: PulseAudio, or pipewire-pulse."""
    runtime = os.environ["XDG_RUNTIME_DIR"].encode()
    for proc in Path("/proc").iterdir():
        try:
            if (proc / "comm").read_text().strip() not in ("pulseaudio", "pipewire-pulse"):
                continue
            if b"XDG_RUNTIME_DIR=" + runtime + b"\0" in (proc / "environ").read_bytes():
                return int(proc.name)
        except (OSError, ValueError):
            continue
    raise AssertionError("the session's sound server was not found")


def cpu_seconds(pid):
    total = 0
    for task in Path(f"/proc/{pid}/task").iterdir():
        total += int((task / "schedstat").read_text().split()[0])
    return total / 1e9


def first_paint_ms(build, program, env):
    out = subprocess.run([str(build / "bench/first_paint_probe"), program], check=True,
                         capture_output=True, text=True, timeout=120, env=env).stdout
    return float(dict(line.split() for line in out.splitlines())["painted"])


def startup(build, program, rounds, server):
    absent = dict(os.environ, PULSE_SERVER="unix:/nonexistent/parvello/pulse/native")
    times = {"answering": [], "stopped": [], "absent": []}
    for _ in range(rounds):
        times["answering"].append(first_paint_ms(build, program, None))
        os.kill(server, signal.SIGSTOP)
        try:
            times["stopped"].append(first_paint_ms(build, program, None))
        finally:
            os.kill(server, signal.SIGCONT)
        times["absent"].append(first_paint_ms(build, program, absent))
    return {name: statistics.median(values) for name, values in times.items()}


def per_second_cpu(pid, seconds):
    figures = []
    for _ in range(seconds):
        before, started = cpu_seconds(pid), time.monotonic()
        time.sleep(1)
        figures.append(100 * (cpu_seconds(pid) - before) / (time.monotonic() - started))
    return figures


def main():
    desktop.environment_ready()
    build, program, rounds = Path(sys.argv[1]).resolve(), sys.argv[2], int(sys.argv[3])
    out = build / "bench-stalled"
    out.mkdir(exist_ok=True)
    server = server_pid()

    starts = startup(build, program, rounds, server)
    print(f"== Start to first painted window, median of {rounds}")
    for name, ms in starts.items():
        print(f"server {name:10} {ms:7.1f} ms")

    with desktop.Program([program], out / "stalled.log") as running:
        window = ParvelloWindow(running)
        # Full level, so that the tone is heard clearly at the sink.
        window.slider_to_top()
        window.click("RB_Off", dx=8)
        time.sleep(1)
        os.kill(server, signal.SIGSTOP)
        try:
            window.click("RB_Sound", dx=8)
            time.sleep(0.2)
            window.click("RB_Off", dx=8)
            stopped = per_second_cpu(running.pid, 5)
        finally:
            os.kill(server, signal.SIGCONT)
        resumed = per_second_cpu(running.pid, 3)
        print("== Sound while the server is stopped, Off 0.2 s later, the server resumed "
              "after 5 s: the program's CPU, % of one core, each second")
        print("stopped: " + " ".join(f"{c:.3f}" for c in stopped))
        print("resumed: " + " ".join(f"{c:.3f}" for c in resumed))
        with Recording(out / "next-sound.raw") as recording:
            window.select_sound()
            time.sleep(2)
            frames = recording.stop()
        peak = int(abs(frames).max()) if len(frames) else 0
        print(f"the next Sound: peak {peak} of 32767 at the sink "
              f"({'heard' if peak > 1000 else 'NOT heard'})")
        window.exit_through_menu()
        running.wait_for_exit()


if __name__ == "__main__":
    main()
