#!/usr/bin/python3
"""On a desktop with a window manager (openbox): a picture larger than the
screen opens in a window whose frame fits the screen, so that its status bar
stays in sight; the loupe comes and goes during a drag without taking the
focus from the main window."""

import os
import sys

# The suite runs from the source tree, which a test run must leave as it was.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pictures as P  # noqa: E402
from harness import SCREEN, check, run, wait_for  # noqa: E402

PICTURE_SIZE = (2400, 1600)


def road(s):
    photo = s.path("big.jpg")
    P.smooth_jpeg(photo, *PICTURE_SIZE)

    def main_window():
        return s.current(main)

    def placed(window):
        """Where the window's client area is on the screen, (x, y, width,
        height): xwininfo's figures, as xdotool counts a framed window's
        offset twice."""
        out = s.tool("xwininfo", "-id", window.id).stdout
        value = {k.strip(): v.strip() for k, v in (line.split(":", 1) for line in out.splitlines() if ":" in line)}
        return tuple(int(value[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def active():
        return s.tool("xdotool", "getactivewindow", ok=False).stdout.strip()

    with s.step("a picture larger than the screen: the framed window fits the screen"):
        main = s.start(args=[photo], window_manager=True)
        # The client inside the frame: as large as the screen allows, the
        # status bar at its foot on the screen.
        x, y, width, height = wait_for("the window to fit the screen",
                                       lambda: (p := placed(main_window()))[1] + p[3] <= SCREEN[1] and
                                       p[0] + p[2] <= SCREEN[0] and p, 10)
        check(y > 0, f"the window has no frame above it: {x}, {y}, {width} x {height}")
        check(height >= SCREEN[1] - 120, f"the window does not take the screen's height: {width} x {height}")
        s.screenshot("fitted")

    with s.step("the loupe during a drag takes no focus and goes on release"):
        s.menu(main_window(), "v", "f")
        s.menu(main_window(), "v", "l")
        s.xdotool("windowactivate", "--sync", main.id)
        owner = active()
        before = {w.id for w in s.windows()}
        x, y, _, _ = placed(main_window())
        # Well inside the view, below the menu bar, whatever its height.
        s.xdotool("mousemove", str(x + 100), str(y + 120))
        s.xdotool("mousedown", "1")
        try:
            for step in range(1, 6):
                s.xdotool("mousemove", str(x + 100 + 40 * step), str(y + 120 + 30 * step))
            loupe = wait_for("the loupe", lambda: [w for w in s.windows() if w.id not in before], 10)[0]
            check(loupe.width < 400 and loupe.height < 400, f"the loupe measures {loupe}")
            check(active() == owner, f"the loupe took the focus: the active window is {active()}, not {owner}")
            s.screenshot("loupe")
        finally:
            s.xdotool("mouseup", "1")
        wait_for("the loupe to go", lambda: s.find(wid=loupe.id) is None, 5)

    with s.step("close: exit code 0"):
        code = s.close_program(main_window())
        check(code == 0, f"exit code {code}")


if __name__ == "__main__":
    sys.exit(run(road))
