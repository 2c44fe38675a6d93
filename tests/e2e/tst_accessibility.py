#!/usr/bin/env python3
"""Reads the program (argument 1) through AT-SPI as a screen reader does, and copies positions out
of it, reading them back with xclip as a program pasting them would. Needs a D-Bus session and X."""

import os
import subprocess
import sys
import tempfile
import time

from gi.repository import GLib

START_DEADLINE_S = 20
STATE_DEADLINE_S = 5
# The cells as the window lays them out, top row first.
GRID = """LU9 LU8 LU7 U3 RU7 RU8 RU9  LU6 LU5 LU4 U2 RU4 RU5 RU6  LU3 LU2 LU1 U1 RU1 RU2 RU3
          L3 L2 L1 PStart R1 R2 R3  LD3 LD2 LD1 D1 RD1 RD2 RD3  LD6 LD5 LD4 D2 RD4 RD5 RD6
          LD9 LD8 LD7 D3 RD7 RD8 RD9""".split()
# X 100 typed into the layout's S 1, L 8 and W 4, worked by hand: the x each column shows, left to
# right, and the y each row shows, top down.
SHOWN_X = ["76.00", "84.00", "92.00", "100.00", "108.00", "116.00", "124.00"]
SHOWN_Y = ["12.00", "8.00", "4.00", "0.00", "-4.00", "-8.00", "-12.00"]


def wait_for(what, probe, deadline_s=STATE_DEADLINE_S):
    """Polls probe() until it gives something true, delivering accessibility events meanwhile."""
    end = time.monotonic() + deadline_s
    while True:
        while GLib.MainContext.default().iteration(False):
            pass
        result = probe()
        if result:
            return result
        if time.monotonic() >= end:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.05)


def descendants(node):
    for child in node:
        if child is not None:
            yield child
            yield from descendants(child)


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def run(*command):
    return subprocess.run(command, timeout=STATE_DEADLINE_S, capture_output=True, text=True).stdout


def click(pyatspi, node, button):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    run("xdotool", "mousemove", str(extents.x + extents.width // 2),
        str(extents.y + extents.height // 2), "click", str(button))


def open_windows():
    """The main window, plus one while a menu is open."""
    return len(run("xdotool", "search", "--onlyvisible", "--classname", "vexto").split())


def read_and_copy(pyatspi, pid):
    application = wait_for("the program on the accessibility bus", lambda: next(
        (a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.get_process_id() == pid),
        None), START_DEADLINE_S)

    def all_cells():
        nodes = list(descendants(application))
        cells = {n.name: n for n in nodes if n.getRole() == pyatspi.ROLE_LABEL}
        return (nodes, cells) if set(GRID) <= cells.keys() else None

    nodes, cells = wait_for("the 49 cells", all_cells, START_DEADLINE_S)
    # From the start, the grid of the fields' values: panels 8 m long and 4 m wide, from 0, 0.
    for name, text in (("PStart", "X = 0.00, Y = 0.00"), ("R3", "X = 24.00, Y = 0.00"),
                       ("D2", "X = 0.00, Y = -8.00"), ("LU9", "X = -24.00, Y = 12.00"),
                       ("RD9", "X = 24.00, Y = -12.00")):
        assert text_of(cells[name]) == text, (name, text_of(cells[name]))
    named = {role: {n.name: n for n in nodes if n.getRole() == role} for role in
             (pyatspi.ROLE_TEXT, pyatspi.ROLE_LINK, pyatspi.ROLE_PUSH_BUTTON)}
    fields = named[pyatspi.ROLE_TEXT]
    assert sorted(fields) == ["Length", "Position X", "Position Y", "Scale", "Width"], fields
    # A field's value is its edit text: the layout's 1 for Scale (painted "1.00" while unfocused).
    assert text_of(fields["Scale"]) == "1"
    assert list(named[pyatspi.ROLE_LINK]) == ["http://vx.example"]
    assert list(named[pyatspi.ROLE_PUSH_BUTTON]) == ["End program"]

    # A screen reader hears of a changed caption through the text-changed event.
    inserted = []
    pyatspi.Registry.registerEventListener(
        lambda event: event.source is not None and event.source.name == "LU1"
        and inserted.append((event.detail1, event.any_data)), "object:text-changed:insert")
    click(pyatspi, fields["Position X"], 1)
    run("xdotool", "type", "--delay", "20", "100")
    wait_for("LU1's new text", lambda: text_of(cells["LU1"]) == "X = 92.00, Y = 4.00")
    # The whole caption is new, from its first character on.
    wait_for("LU1's text-changed event", lambda: (0, "X = 92.00, Y = 4.00") in inserted)

    click(pyatspi, cells["LU1"], 3)
    wait_for("the cell menu", lambda: open_windows() == 2)
    run("xdotool", "key", "Down", "Return")  # the first item, "Copy X"
    wait_for("LU1's x on the clipboard", lambda: run("xclip", "-o", "-sel", "clip") == "92.00")

    wait_for("the cell menu to close", lambda: open_windows() == 1)
    run("xdotool", "key", "ctrl+shift+c")
    table = "Cell\tX\tY\n" + "".join(f"{GRID[7 * row + column]}\t{SHOWN_X[column]}\t{SHOWN_Y[row]}\n"
                                     for row in range(7) for column in range(7))
    wait_for("the whole table on the clipboard", lambda: run("xclip", "-o", "-sel", "clip") == table)
    wait_for("the whole table in the selection",
             lambda: run("xclip", "-o", "-sel", "primary") == table)


def main():
    import pyatspi  # after the session bus is known, so that it finds the accessibility bus

    with tempfile.TemporaryDirectory() as runtime_directory:
        environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                           XDG_RUNTIME_DIR=runtime_directory, LC_ALL="C")
        environment.pop("QT_QPA_PLATFORM", None)
        program = subprocess.Popen([sys.argv[1]], env=environment)
        try:
            read_and_copy(pyatspi, program.pid)
        finally:
            program.kill()
            program.wait(timeout=STATE_DEADLINE_S)


if __name__ == "__main__":
    main()
