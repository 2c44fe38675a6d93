#!/usr/bin/env python3
"""Reads the running program through AT-SPI, as a screen reader does.

Usage: tst_accessibility.py <vexto binary>. Runs itself inside a private D-Bus session, starts a
private X server and the program with accessibility switched on, then walks the program's tree.
Exits 0 when everything is found, 1 on a failure, and 77 (skipped) only when the accessibility
bus cannot be started at all.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
START_DEADLINE_S = 20
STATE_DEADLINE_S = 5
SESSION_MARKER = "VEXTO_ACCESSIBILITY_SESSION"

CELL_NAMES = (
    ["PStart"]
    + [f"{arm}{k}" for arm in ("U", "D", "L", "R") for k in (1, 2, 3)]
    + [f"{quadrant}{n}" for quadrant in ("LU", "RU", "LD", "RD") for n in range(1, 10)]
)
FIELD_NAMES = ["Position X", "Position Y", "Scale", "Length", "Width"]


class Failure(Exception):
    pass


def skip(message):
    print(f"SKIP: {message}")
    sys.exit(SKIPPED)


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(what, probe, deadline_s):
    """Polls probe() until it returns something true or the deadline passes, delivering the
    accessibility events that arrive meanwhile."""
    from gi.repository import GLib

    end = time.monotonic() + deadline_s
    while True:
        while GLib.MainContext.default().iteration(False):
            pass
        result = probe()
        if result:
            return result
        if time.monotonic() >= end:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(0.05)


def run_in_private_session():
    runner = shutil.which("dbus-run-session")
    if runner is None:
        skip("dbus-run-session is not installed, so there is no session bus for AT-SPI")
    environment = dict(os.environ, **{SESSION_MARKER: "1"})
    completed = subprocess.run([runner, "--", sys.executable, *sys.argv], env=environment)
    sys.exit(completed.returncode)


def require_accessibility_bus():
    from gi.repository import Gio, GLib

    try:
        bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        reply = bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                              None, GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE,
                              START_DEADLINE_S * 1000, None)
    except GLib.Error as error:
        skip(f"the accessibility bus did not start: {error.message}")
    if not reply.unpack()[0]:
        skip("the accessibility bus gave no address")


class XServer:
    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-noreset", "-screen", "0", "1024x768x24",
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as reader:
            while not number.endswith(b"\n"):
                chunk = reader.read(1)
                if not chunk:
                    raise Failure("Xvfb did not report its display")
                number += chunk
        self.display = ":" + number.decode().strip()

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=dict(os.environ, DISPLAY=self.display),
                       check=True, timeout=STATE_DEADLINE_S)

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=STATE_DEADLINE_S)


def find_program(pyatspi, pid):
    for application in pyatspi.Registry.getDesktop(0):
        if application is not None and application.get_process_id() == pid:
            return application
    return None


def descendants(node):
    for child in node:
        if child is None:
            continue
        yield child
        yield from descendants(child)


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def centre_of(pyatspi, node):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return extents.x + extents.width // 2, extents.y + extents.height // 2


def read_the_window(pyatspi, x_server, pid):
    application = wait_for("the program on the accessibility bus",
                           lambda: find_program(pyatspi, pid), START_DEADLINE_S)

    def labelled_nodes():
        nodes = list(descendants(application))
        cells = {n.name: n for n in nodes if n.getRole() == pyatspi.ROLE_LABEL
                 and n.name in CELL_NAMES}
        return (nodes, cells) if len(cells) == len(CELL_NAMES) else None

    nodes, cells = wait_for("the 49 cells", labelled_nodes, START_DEADLINE_S)
    for name, cell in cells.items():
        check(text_of(cell) == "X = 0.00, Y = 0.00", f"{name} reads {text_of(cell)!r}")

    fields = {n.name: n for n in nodes if n.getRole() == pyatspi.ROLE_TEXT}
    check(sorted(fields) == sorted(FIELD_NAMES), f"fields are named {sorted(fields)}")
    # A field's value is its edit text: the layout's 1 for Scale (painted "1.00" while unfocused).
    check(text_of(fields["Scale"]) == "1", f"Scale holds {text_of(fields['Scale'])!r}")

    links = [n for n in nodes if n.getRole() == pyatspi.ROLE_LINK]
    check([link.name for link in links] == ["http://vx.example"],
          f"links: {[link.name for link in links]}")
    buttons = [n.name for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    check(buttons == ["End program"], f"buttons: {buttons}")

    # A screen reader hears of a changed caption through the text-changed event.
    inserted = []

    def on_text_inserted(event):
        if event.source is not None and event.source.name == "LU1":
            inserted.append(event.any_data)

    pyatspi.Registry.registerEventListener(on_text_inserted, "object:text-changed:insert")

    # X 100 with S 1, L 8, W 4: LU1, one column left and one row up, is at (92, 4).
    x, y = centre_of(pyatspi, fields["Position X"])
    x_server.xdotool("mousemove", str(x), str(y), "click", "1")
    x_server.xdotool("type", "--delay", "20", "100")
    wait_for("LU1 to read its new position",
             lambda: text_of(cells["LU1"]) == "X = 92.00, Y = 4.00", STATE_DEADLINE_S)
    wait_for("the text-changed event of LU1",
             lambda: "X = 92.00, Y = 4.00" in inserted, STATE_DEADLINE_S)
    check(text_of(fields["Position X"]) == "100", "Position X does not hold 100")
    check(text_of(cells["RD9"]) == "X = 124.00, Y = -12.00", f"RD9 reads {text_of(cells['RD9'])!r}")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    if os.environ.get(SESSION_MARKER) != "1":
        run_in_private_session()
    require_accessibility_bus()
    import pyatspi

    x_server = XServer()
    runtime_directory = tempfile.TemporaryDirectory()
    environment = dict(os.environ, DISPLAY=x_server.display, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                       XDG_RUNTIME_DIR=runtime_directory.name, LC_ALL="C")
    environment.pop("QT_QPA_PLATFORM", None)
    program = subprocess.Popen([sys.argv[1]], env=environment)
    try:
        read_the_window(pyatspi, x_server, program.pid)
        print("PASS: cells, fields, link and button read through AT-SPI")
        return 0
    except Failure as failure:
        print(f"FAIL: {failure}")
        return 1
    finally:
        program.kill()
        program.wait(timeout=STATE_DEADLINE_S)
        x_server.stop()
        runtime_directory.cleanup()


if __name__ == "__main__":
    sys.exit(main())
