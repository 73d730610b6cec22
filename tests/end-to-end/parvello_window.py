"""The program's main window as a person sees and uses it: its controls at their designed
places in the client area (below the menu bar, whose height is measured), read through the
accessibility bus and worked with X input."""

import os
import time
import xml.etree.ElementTree as ElementTree
from pathlib import Path

import desktop

FORM_FILE = Path(__file__).resolve().parents[2] / "ui" / "TForm1.ui"


def designed_boxes(form_file=FORM_FILE):
    """Each control's designed box (left, top, width, height) in the client area, as the
    window's form file places it: a control's place there is relative to the control that
    holds it."""
    boxes = {}

    def visit(holder, origin):
        for widget in holder.findall("widget"):
            rect = widget.find("property[@name='geometry']/rect")
            if rect is None:  # the client area itself, the menu bar and its menus
                visit(widget, origin)
                continue
            left, top, width, height = (int(rect.find(field).text)
                                        for field in ("x", "y", "width", "height"))
            box = (origin[0] + left, origin[1] + top, width, height)
            boxes[widget.get("name")] = box
            visit(widget, box[:2])

    visit(ElementTree.parse(form_file).getroot().find("widget"), (0, 0))
    return boxes


LAYOUT = designed_boxes()
FILE_MENU = "ﾌｧｲﾙ(F)"  # the accessible names drop the accelerators' "&"
EXIT_ITEM = "終了(X)"


def settings_file():
    """Where the program keeps its settings in the session's configuration folder."""
    return Path(os.environ["XDG_CONFIG_HOME"]) / "Veltrane" / "ParvelloJr.conf"


class ParvelloWindow:
    def __init__(self, program):
        self.program = program
        self.app = desktop.application(program.pid)
        self.frame = desktop.find(self.app, "frame", "Parvello")
        self.window = desktop.window_of(program.pid)
        menu_bar = desktop.wait_for("the menu bar", lambda: next(
            n for n in desktop.descendants(self.frame) if n.getRoleName() == "menu bar"))
        x, _, _, _ = desktop.extents(self.frame)
        _, bar_y, _, self.menu_bar_height = desktop.extents(menu_bar)
        self.client = (x, bar_y + self.menu_bar_height)
        desktop.log(f"window at {desktop.extents(self.frame)}, menu bar "
                    f"{self.menu_bar_height} px high")

    def point(self, name, dx=None, dy=None):
        """A point on the screen inside a control's designed box, its centre by default."""
        left, top, width, height = LAYOUT[name]
        return (self.client[0] + left + (width // 2 if dx is None else dx),
                self.client[1] + top + (height // 2 if dy is None else dy))

    def click(self, name, dx=None, dy=None):
        desktop.click(*self.point(name, dx, dy))

    def control(self, role, name):
        """The control of that role at the centre of a designed box."""
        return desktop.find_at(self.app, role, *self.point(name))

    def text_of(self, name):
        return desktop.text(self.control("text", name))

    def select_sound(self):
        # On the button's round mark, which is at its left end whatever its caption's width.
        self.click("RB_Sound", dx=8)
        sound = desktop.find(self.app, "radio button", "Sound")
        desktop.wait_for("Sound to be selected", lambda: desktop.is_checked(sound))

    def step_up(self):
        """The stepper's upper arrow: its upper half."""
        self.click("UpDown1", dy=LAYOUT["UpDown1"][3] // 4)

    def slider(self):
        return self.control("slider", "Volume1")

    def slider_to_top(self):
        """The volume slider to its loud end, by keyboard after a click that focuses it."""
        self.click("Volume1", dy=10)
        desktop.key(self.window, "Home")
        slider = self.slider()
        desktop.wait_for("the volume slider at its top", lambda: desktop.value(slider) == 0)

    def drag_slider_down(self, pixels):
        """From the loud end, the slider's thumb dragged down by hand; returns the position
        that the slider reports then."""
        self.slider_to_top()
        # The thumb, 20 px long, lies at the top of the slider's box.
        x, y = self.point("Volume1", dy=10)
        desktop.move_pointer(x, y)
        desktop.xdotool("mousedown", 1)
        # In steps, as a hand moves; without --sync, which waits for the pointer's motion to
        # be reported and can stall while the slider holds the pointer.
        for step in range(1, 6):
            desktop.xdotool("mousemove", x, y + pixels * step // 5)
            time.sleep(0.05)
        desktop.xdotool("mouseup", 1)
        slider = self.slider()
        return desktop.wait_for("the volume slider to leave its top",
                                lambda: desktop.value(slider) or None)

    def exit_through_menu(self):
        desktop.raise_window(self.window)
        desktop.click_centre(desktop.find(self.app, "menu item", FILE_MENU, showing=True))
        desktop.click_centre(desktop.find(self.app, "menu item", EXIT_ITEM, showing=True))
