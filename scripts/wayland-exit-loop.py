#!/usr/bin/env python3
"""Starts the program (argument 1) the given number of times (argument 2) natively on the Wayland
compositor that WAYLAND_DISPLAY names as a path, ends each copy through its End program button as
a screen reader would press it, and counts the copies that have not exited some seconds later.
Needs a D-Bus session, for the accessibility bus."""

import collections
import os
import statistics
import subprocess
import sys
import tempfile
import time

from gi.repository import GLib

START_DEADLINE_S = 20
# A copy that ends normally is gone within a few hundred milliseconds, even on a loaded machine.
EXIT_DEADLINE_S = 10


def wait_for(probe, deadline_s):
    end = time.monotonic() + deadline_s
    while time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):
            pass
        result = probe()
        if result:
            return result
        time.sleep(0.02)
    return None


def find_button(pyatspi, pid):
    def button():
        for application in pyatspi.Registry.getDesktop(0):
            if application is None or application.get_process_id() != pid:
                continue
            found = pyatspi.findDescendant(
                application, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                and n.name == "End program")
            if found is not None:
                return found
        return None
    return wait_for(button, START_DEADLINE_S)


def main():
    import pyatspi  # after the session bus is known, so that it finds the accessibility bus

    program, runs = sys.argv[1], int(sys.argv[2])
    hung, unstarted = 0, 0
    codes = collections.Counter()
    exit_ms = []
    for run in range(runs):
        # A runtime folder of its own for each copy: a hung copy must not make the next one a
        # later copy.
        with tempfile.TemporaryDirectory() as runtime:
            environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                               QT_QPA_PLATFORM="wayland", XDG_RUNTIME_DIR=runtime)
            copy = subprocess.Popen([program], env=environment)
            button = find_button(pyatspi, copy.pid)
            if button is None:
                unstarted += 1
                copy.kill()
                copy.wait()
                continue
            pressed = time.monotonic()
            button.queryAction().doAction(0)
            try:
                codes[copy.wait(timeout=EXIT_DEADLINE_S)] += 1
                exit_ms.append((time.monotonic() - pressed) * 1000)
            except subprocess.TimeoutExpired:
                hung += 1
                print(f"run {run + 1}: still running {EXIT_DEADLINE_S} s after End program",
                      flush=True)
                copy.kill()
                copy.wait()
    print(f"{runs} runs: {hung} hung on exit, {unstarted} never showed the button; exit codes "
          f"{dict(codes)}; exit after the press: median {statistics.median(exit_ms):.0f} ms, "
          f"longest {max(exit_ms):.0f} ms" if exit_ms else f"{runs} runs, none exited")
    return 0 if hung == 0 and unstarted == 0 and set(codes) == {0} else 1


if __name__ == "__main__":
    sys.exit(main())
