"""What the end-to-end tests share about ruvok95.exe: its pictures, its windows
and its menus, on top of winehost's machine."""

import os

import winehost

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

BUTTON = (16, 14)


def picture(name):
    """A button picture ("normal" or "pressed") as rows of (r, g, b)."""
    path = os.path.join(winehost.source_dir(), "..", "tests", "data", "button_pictures.txt")
    rows, current = {}, None
    with open(path) as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            if len(line) == BUTTON[0] and all(c in "0123456789abcdef" for c in line):
                rows[current].append([PALETTE[int(c, 16)] for c in line])
            else:
                current = line
                rows[current] = []
    return rows[name]


def start(machine, *args):
    """Starts the program and returns (process, button window) once the button shows
    its normal picture at the top-right corner."""
    process = machine.start(winehost.program_exe(), *args)
    button = wait_button(machine)
    return process, button


def wait_button(machine):
    width = machine.screen[0]
    button = machine.wait_window(size=BUTTON, where=lambda w: (w.x, w.y) == (width - BUTTON[0], 0))
    machine.wait_pixels(button.x, button.y, *BUTTON, lambda rows: rows == picture("normal"))
    return button


def menu_window(machine, items, separators=0):
    """The open popup menu with the given number of items and separator lines."""
    found = machine.wait_window(where=lambda w: w.size != BUTTON and w.height > 12 * items
                                and w.width > 40 and w.name is None)
    return PopupMenu(found, items, separators)


class PopupMenu:
    """Where the items of an open menu are: they share its height evenly, apart from
    the separator lines."""

    BORDER = 3
    SEPARATOR = 9

    def __init__(self, window, items, separators):
        self.window = window
        self.items = items
        self.separators = separators
        inner = window.height - 2 * self.BORDER - separators * self.SEPARATOR
        self.item_height = inner // items

    def point(self, index, separators_before=0):
        """The middle of item `index` (0-based, separators not counted)."""
        w = self.window
        y = w.y + self.BORDER + index * self.item_height + separators_before * self.SEPARATOR
        return w.x + w.width // 2, y + self.item_height // 2


BUTTON_MENU = ["Shut Down", "Restart", "Log Off", None, "Unload", "Setup"]


def choose(machine, menu, captions, caption, button=1):
    """Clicks the item `caption` of an open menu whose items are `captions` (None for
    a separator line)."""
    index = captions.index(caption)
    before = captions[:index]
    machine.click(*menu.point(index - before.count(None), before.count(None)), button=button)


def session_calls(process):
    """The privilege and session-end calls, in order, as (function, args)."""
    wanted = {"OpenProcessToken", "LookupPrivilegeValueA", "AdjustTokenPrivileges", "ExitWindowsEx"}
    return [(f, a) for f, a in process.call_sequence() if f in wanted]


# The dialog's frame under Wine: a 3-pixel border and a 19-pixel caption.
DIALOG = (277, 159)
DIALOG_CLIENT = (3, 22)


def open_setup(machine, button):
    """Opens the dialog from the button's menu and returns its window."""
    machine.click(button.x + 8, 7, button=3)
    menu = menu_window(machine, items=5, separators=1)
    choose(machine, menu, BUTTON_MENU, "Setup")
    dialog = machine.wait_window(size=DIALOG)
    # Painted: the client area is no longer black.
    machine.wait_pixels(dialog.x, dialog.y + DIALOG_CLIENT[1], 8, 8, lambda rows: rows[4][4] != (0, 0, 0))
    return dialog


def click_in_dialog(machine, dialog, left, top, width, height):
    """Clicks the middle of a control at the given client position and size."""
    machine.click(dialog.x + DIALOG_CLIENT[0] + left + width // 2,
                  dialog.y + DIALOG_CLIENT[1] + top + height // 2)


OK_BUTTON = (192, 8, 73, 25)
STAY_ON_TOP = (152, 80, 97, 17)
STAY_IN_TASKTRAY = (8, 80, 113, 17)


def read_ini(path):
    """The settings file as {section: {key: value}}."""
    sections, current = {}, None
    with open(path, "rb") as f:
        for line in f.read().decode("latin-1").splitlines():
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1], {})
            elif "=" in line and current is not None:
                key, _, value = line.partition("=")
                current[key.strip()] = value.strip()
    return sections
