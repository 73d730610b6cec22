"""The installed program as the desktop starts it: installed into a temporary prefix, it is
started with the command line of its menu entry (with the prefix's bin/ on PATH, as /usr/bin
is), shows its window, and its help shows the contents of the installed help collection,
found from the program's own folder.

    installed_check.py BUILD_FOLDER OUTPUT_FOLDER   installs the build (cmake --install)
    installed_check.py PACKAGE.deb OUTPUT_FOLDER    unpacks the Debian package's files
"""

import configparser
import os
import shlex
import subprocess
import sys
from pathlib import Path

import desktop
from parvello_window import ParvelloWindow

HELP_MENU = "ﾍﾙﾌﾟ(H)"
CONTENTS_ITEM = "目次(C)"
HELP_TITLE = "Parvello Jr. Help"


def menu_entry_command(prefix):
    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(prefix / "share/applications/parvello.desktop", encoding="utf-8")
    # The entry's command has no field codes: the program takes no arguments.
    return shlex.split(entry["Desktop Entry"]["Exec"])


def main():
    desktop.environment_ready()
    source, out = Path(sys.argv[1]), Path(sys.argv[2])
    out.mkdir(parents=True, exist_ok=True)
    root = Path(os.environ["HOME"]) / "installed"
    if source.suffix == ".deb":
        subprocess.run(["dpkg-deb", "--extract", str(source), str(root)], check=True)
        prefix = root / "usr"
    else:
        prefix = root
        subprocess.run(["cmake", "--install", str(source), "--prefix", str(prefix)],
                       check=True, stdout=subprocess.DEVNULL)
    command = menu_entry_command(prefix)
    environment = dict(os.environ, PATH=f"{prefix / 'bin'}:{os.environ['PATH']}")
    with desktop.Program(command, out / "installed.log", env=environment) as program:
        window = ParvelloWindow(program)
        desktop.click_centre(desktop.find(window.app, "menu item", HELP_MENU, showing=True))
        desktop.click_centre(desktop.find(window.app, "menu item", CONTENTS_ITEM,
                                          showing=True))
        help_window = desktop.find(window.app, "frame", HELP_TITLE)

        def contents():
            help_window.clear_cache()
            return [n.name for n in desktop.descendants(help_window)
                    if n.getRoleName() == "table cell" and n.name]

        titles = desktop.wait_for("the help's table of contents", contents)
        desktop.log(f"the help lists {len(titles)} pages, the first {titles[0]!r}")
        desktop.screenshot(out / "installed-help.png")
        window.exit_through_menu()
        code = program.wait_for_exit()
        if code != 0:
            raise AssertionError(f"the installed program ended with {code} after Exit")
    desktop.log(f"started from its menu entry ({' '.join(command)}) and found its help")


if __name__ == "__main__":
    main()
