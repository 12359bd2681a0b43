"""Runs ruvok95.exe under Wine until it ends: on the X display in DISPLAY, or else on
a virtual one of its own (then a screenshot is saved now and then, to look at)."""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import winehost  # noqa: E402


def main():
    exe, args = sys.argv[1], sys.argv[2:]
    display = os.environ.get("DISPLAY") or None
    with winehost.Machine(display=display, relay=()) as machine:
        process = machine.start(exe, *args)
        if display:
            print("ruvok95.exe runs on %s; it ends with Unload or a session request." % display)
        else:
            shot = os.path.abspath("ruvok95-screen.png")
            print("ruvok95.exe runs on the virtual display %s (no DISPLAY set)." % machine.display)
            print("The screen is saved to %s every few seconds; Ctrl-C ends it." % shot)
        try:
            while process.running():
                if not display:
                    machine.save_screenshot(shot)
                time.sleep(3)
        except KeyboardInterrupt:
            pass
        status = process.wait(30) if not process.running() else None
        print("ruvok95.exe ended with status %s." % status if status is not None else "Stopped.")


if __name__ == "__main__":
    main()
