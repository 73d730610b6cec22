"""Driving a program on the private session as a person would: starting and stopping it,
finding its controls and reading their texts through the accessibility bus, as a screen
reader does, and clicking and typing with real X input events (xdotool).

There is no window manager, so a window is focused with `windowfocus` rather than
activated, and a window's client area starts at the window's origin. Widgets are found by
their accessible name and role; waiting is always bounded by a generous timeout, and a
timeout is a failure that says what was awaited."""

import os
import signal
import subprocess
import time

import gi

gi.require_version("Atspi", "2.0")
import pyatspi  # noqa: E402

# Generous: CI machines are shared and slow; nothing here measures time.
TIMEOUT = 60


class NotFound(AssertionError):
    pass


_started = time.monotonic()


def log(message):
    print(f"[e2e {time.monotonic() - _started:6.1f} s] {message}", flush=True)


def wait_for(what, probe, timeout=TIMEOUT, interval=0.1):
    """The first true result of `probe`, polled until `timeout` seconds have passed."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            result = probe()
            if result:
                return result
        except Exception as error:  # the bus or the widget may not be there yet
            last_error = error
        if time.monotonic() > deadline:
            detail = f" (last error: {last_error})" if last_error else ""
            raise NotFound(f"gave up waiting for {what} after {timeout} s{detail}")
        time.sleep(interval)


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], check=True, capture_output=True,
                          text=True).stdout.strip()


class Program:
    """A started program, stopped by its pid when the test is done with it."""

    def __init__(self, argv, log_path, env=None):
        self.argv = argv
        self.log_file = open(log_path, "ab")
        self.process = subprocess.Popen(argv, stdout=self.log_file, stderr=subprocess.STDOUT,
                                        env=env)
        log(f"started {argv[0]} (pid {self.process.pid})")

    @property
    def pid(self):
        return self.process.pid

    def wait_for_exit(self, timeout=TIMEOUT):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise NotFound(f"{self.argv[0]} still runs {timeout} s after it was told to end")

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log_file.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


# Accessibility -----------------------------------------------------------------------

def application(pid, timeout=TIMEOUT):
    """The application that the process with this pid registered on the accessibility bus."""

    def find():
        desktop = pyatspi.Registry.getDesktop(0)
        desktop.clear_cache()
        for app in desktop:
            if app is not None and app.get_process_id() == pid:
                return app
        return None

    return wait_for(f"pid {pid} on the accessibility bus", find, timeout)


def descendants(root):
    stack = [root]
    while stack:
        node = stack.pop()
        yield node
        try:
            children = list(node)
        except Exception:
            children = []
        stack.extend(reversed([c for c in children if c is not None]))


def find(root, role, name, timeout=TIMEOUT, showing=False):
    """The first widget below `root` with that role name (e.g. "push button") and name."""

    def search():
        root.clear_cache()
        for node in descendants(root):
            if node.getRoleName() == role and node.name == name:
                if not showing or node.getState().contains(pyatspi.STATE_SHOWING):
                    return node
        return None

    return wait_for(f"a {role} named {name!r}", search, timeout)


def find_at(root, role, x, y, timeout=TIMEOUT):
    """The showing widget of that role whose box on the screen holds the point (x, y): for
    widgets that a screen reader knows by what they show rather than by a name, such as an
    edit whose text changes."""

    def search():
        root.clear_cache()
        for node in descendants(root):
            if node.getRoleName() != role:
                continue
            if not node.getState().contains(pyatspi.STATE_SHOWING):
                continue
            left, top, width, height = extents(node)
            if left <= x < left + width and top <= y < top + height:
                return node
        return None

    return wait_for(f"a {role} at {x},{y}", search, timeout)


def extents(node):
    """(x, y, width, height) on the screen."""
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def text(node):
    """What a screen reader reads as the widget's text: an editable's contents, or else
    its name."""
    node.clear_cache()
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return node.name


def value(node):
    return node.queryValue().currentValue


def is_checked(node):
    node.clear_cache()
    return node.getState().contains(pyatspi.STATE_CHECKED)


def describe_tree(root):
    """The widget tree, one line a widget, for a failure's log."""
    lines = []

    def walk(node, depth):
        try:
            box = extents(node)
        except Exception:
            box = None
        lines.append(f"{'  ' * depth}{node.getRoleName()} {node.name!r} {box}")
        for child in node:
            if child is not None:
                walk(child, depth + 1)

    root.clear_cache()
    walk(root, 0)
    return "\n".join(lines)


# X input --------------------------------------------------------------------------------

def window_of(pid, timeout=TIMEOUT):
    """The X window of a program's main window: the visible one that it owns."""
    found = wait_for(f"a visible window of pid {pid}",
                     lambda: xdotool("search", "--onlyvisible", "--pid", pid), timeout)
    return found.split()[0]


def move_pointer(x, y):
    """Moves the pointer and waits until it is there. (`mousemove --sync` to where the pointer
    already is waits for a motion that never comes, for many seconds.)"""
    here = dict(line.split("=") for line in xdotool("getmouselocation", "--shell").split())
    if (int(here["X"]), int(here["Y"])) != (int(x), int(y)):
        xdotool("mousemove", "--sync", int(x), int(y))


def click(x, y, button=1):
    move_pointer(x, y)
    # Let the program see the pointer arrive before the press, as a hand would.
    time.sleep(0.05)
    xdotool("click", button)


def click_centre(node):
    x, y, w, h = extents(node)
    click(x + w // 2, y + h // 2)


def raise_window(window):
    """Brings a window above the others; with no window manager, a new window covers the
    older ones until then."""
    xdotool("windowraise", window)


def focus(window):
    xdotool("windowfocus", "--sync", window)


def key(window, *keys):
    focus(window)
    # Without --window: events sent to a window are marked synthetic, and Qt drops them.
    xdotool("key", "--clearmodifiers", *keys)


def type_text(window, typed):
    focus(window)
    xdotool("type", "--delay", 50, typed)


def screenshot(path, window="root"):
    """The screen, or one window of it, as an image file for the test's log."""
    subprocess.run(["import", "-window", str(window), str(path)], check=True)
    log(f"screenshot: {path}")


def environment_ready():
    missing = [v for v in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS") if not os.environ.get(v)]
    if missing:
        raise SystemExit(f"run through run.sh: {', '.join(missing)} not set")
