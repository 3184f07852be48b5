#!/usr/bin/python3
"""An honest panorama far wider than the screen: it opens, scrolls to its last
column and goes to the clipboard whole and exact."""

import os
import sys
import time

# The suite runs from the source tree, which a test run must leave as it was.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pictures as P  # noqa: E402
from harness import SCREEN, START_CLIENT, CheckFailed, check, run, wait_for  # noqa: E402

# 45 MB of pixels: longer than any side limit but the view's own.
SIZE = (150000, 100)


def road(s):
    path = s.path("panorama.bmp")
    panorama = P.coordinate_bmp(path, *SIZE)

    def main_window():
        return s.current(main)

    with s.step("start"):
        main = s.start()
        s.menu_bar = main.height - START_CLIENT[1]

    with s.step("open the panorama: the window is as wide as the screen, the view shows its start"):
        s.file_dialog(main, "f", "o", path)
        window = wait_for("the main window to fill the screen's width",
                          lambda: main_window().width == SCREEN[0] and main_window(), 10)
        s.expect_shown("the view's first columns", lambda: window, P.piece(panorama, 0, 0, 1000, 60),
                       P.check_exact)

    with s.step("drag the scroll bar to its end: the view shows the last columns"):
        # The horizontal scroll bar lies along the bottom of the 100 rows the
        # scroll box has; its thumb starts at its left end, after the arrow.
        y = window.y + s.menu_bar + SIZE[1] - 6
        s.xdotool("mousemove", str(window.x + 28), str(y))
        s.xdotool("mousedown", "1")
        for x in (SCREEN[0] // 4, SCREEN[0] // 2, SCREEN[0] - 1):
            s.xdotool("mousemove", str(x), str(y))
            time.sleep(0.05)
        s.xdotool("mouseup", "1")

        def last_columns():
            # The view ends where the vertical scroll bar begins.
            for shown in range(window.width, window.width - 40, -1):
                want = P.piece(panorama, SIZE[0] - shown, 0, SIZE[0], 60)
                try:
                    P.check_exact("the view's last columns", s.shown_pixels(window, want.size), want)
                    return True
                except CheckFailed:
                    pass
            return False
        wait_for("the view to show the panorama's last columns", last_columns, 10)

    with s.step("to clipboard copies the whole panorama exactly"):
        s.menu(main_window(), "t", "c")
        P.check_exact("the clipboard", P.clipboard_picture(s, SIZE, 20), panorama)

    with s.step("close: exit code 0"):
        code = s.close_program(main_window())
        check(code == 0, f"exit code {code}")


if __name__ == "__main__":
    sys.exit(run(road))
