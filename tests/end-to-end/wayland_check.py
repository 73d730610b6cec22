"""The program under a Wayland session, on a headless Weston compositor of its own:

1. Wayland only (no XWayland, no X display): the window opens where the compositor puts it;
   a close by SIGTERM keeps the stored size and leaves the stored position as it was.
2. With XWayland, as GNOME and KDE sessions run it, the user having chosen no platform: the
   program runs on X, and its stored position comes back after a close.

    wayland_check.py PROGRAM OUTPUT_FOLDER
"""

import configparser
import os
import re
import signal
import subprocess
import sys
from pathlib import Path

import desktop
from parvello_window import settings_file

STORED = {"Left": "200", "Top": "150", "Width": "320", "Height": "400"}


class Compositor:
    """A headless Weston on a socket of its own, with XWayland when asked; stopped by its
    pid."""

    def __init__(self, name, out, xwayland):
        self.socket = f"parvello-{name}"
        self.log_path = out / f"weston-{name}.log"
        environment = {k: v for k, v in os.environ.items()
                       if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        argv = ["weston", "--backend=headless-backend.so", "--width=1024", "--height=768",
                f"--socket={self.socket}", "--no-config", "--idle-time=0",
                f"--log={self.log_path}"] + (["--xwayland"] if xwayland else [])
        self.process = subprocess.Popen(argv, env=environment, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        desktop.log(f"started weston (pid {self.process.pid})")
        runtime = Path(os.environ["XDG_RUNTIME_DIR"])
        desktop.wait_for(f"weston's socket {self.socket}",
                         lambda: (runtime / self.socket).exists())
        self.display = None
        if xwayland:
            listening = re.compile(r"xserver listening on display (:\d+)")
            self.display = desktop.wait_for("XWayland's display", lambda: next(
                iter(listening.findall(self.log_path.read_text(errors="replace"))), None))

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


def session_environment(compositor, current_desktop):
    """What a Wayland desktop session gives the programs it starts."""
    environment = {k: v for k, v in os.environ.items()
                   if k not in ("DISPLAY", "QT_QPA_PLATFORM")}
    environment.update(WAYLAND_DISPLAY=compositor.socket, XDG_SESSION_TYPE="wayland",
                       XDG_CURRENT_DESKTOP=current_desktop)
    if compositor.display:
        environment["DISPLAY"] = compositor.display
    return environment


def store_placement():
    path = settings_file()
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text("[Locate]\n" + "".join(f"{k}={v}\n" for k, v in STORED.items()),
                    encoding="utf-8")


def stored():
    store = configparser.ConfigParser(interpolation=None)
    store.optionxform = str  # the value names are case-sensitive
    store.read(settings_file(), encoding="utf-8")
    return store


def run_and_terminate(program_path, out, name, environment):
    """Starts the program, waits for its window and ends it by SIGTERM, as a logout does."""
    with desktop.Program([program_path], out / f"wayland-{name}.log", env=environment) as program:
        app = desktop.application(program.pid)
        desktop.find(app, "frame", "Parvello", showing=True)
        window = None
        if "DISPLAY" in environment:
            os.environ["DISPLAY"] = environment["DISPLAY"]
            window = desktop.window_of(program.pid)
        program.process.send_signal(signal.SIGTERM)
        code = program.wait_for_exit()
        if code != 0:
            raise AssertionError(f"{name}: the program ended with {code} after SIGTERM")
    store = stored()
    if not store.has_option("Setting", "ToneText"):
        raise AssertionError(f"{name}: the close by SIGTERM saved nothing")
    return window, dict(store["Locate"])


def main():
    desktop.environment_ready()
    program_path, out = sys.argv[1], Path(sys.argv[2])
    out.mkdir(parents=True, exist_ok=True)

    store_placement()
    with Compositor("wayland-only", out, xwayland=False) as compositor:
        _, placement = run_and_terminate(program_path, out, "wayland-only",
                                         session_environment(compositor, "GNOME"))
    if placement != STORED:
        raise AssertionError(f"Wayland only: the store holds {placement}, not {STORED}")
    desktop.log(f"Wayland only: the placement {placement} is kept")

    store_placement()
    with Compositor("xwayland", out, xwayland=True) as compositor:
        window, placement = run_and_terminate(program_path, out, "xwayland",
                                              session_environment(compositor, "KDE"))
    if window is None:
        raise AssertionError("with XWayland the program did not run on X")
    if (placement["Left"], placement["Top"]) != (STORED["Left"], STORED["Top"]):
        raise AssertionError(f"with XWayland: the store holds {placement}, not {STORED}")
    desktop.log(f"with XWayland: on X, and the placement {placement} comes back")


if __name__ == "__main__":
    main()
