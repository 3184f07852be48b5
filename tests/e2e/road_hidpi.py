#!/usr/bin/python3
"""A desktop scaled by 1.5: the program takes 2. Menus and status bar grow
with it, while the picture keeps one screen pixel per picture pixel and every
screen pixel can be a corner of the selection."""

import os
import sys

# The suite runs from the source tree, which a test run must leave as it was.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pictures as P  # noqa: E402
from harness import CUT_CAPTION, START_CLIENT, STATUS_BAR_HEIGHT, check, run, wait_for  # noqa: E402

SCALE = 2
PICTURE_SIZE = (640, 480)


def road(s):
    bmp_path = s.path("coordinates.bmp")
    bmp = P.coordinate_bmp(bmp_path, *PICTURE_SIZE)

    def main_window():
        return s.current(main)

    def clipboard(size):
        return P.clipboard_picture(s, size)

    # Everything below is measured on the screen, in its own pixels.
    with s.step("unscaled, the menu bar has its usual height"):
        main = s.start()
        unscaled_menu_bar = main.height - START_CLIENT[1]
        check(s.close_program(main) == 0, "the unscaled program did not end with exit code 0")

    with s.step("scaled by 1.5, the window and its menu bar are twice as large"):
        main = s.start_again({"QT_SCALE_FACTOR": "1.5"})
        want_width = START_CLIENT[0] * SCALE
        check(main.width == want_width, f"the main window is {main.width} wide, want {want_width}")
        s.menu_bar = main.height - START_CLIENT[1] * SCALE
        check(abs(s.menu_bar - SCALE * unscaled_menu_bar) <= SCALE,
              f"a menu bar of {s.menu_bar} pixels, unscaled {unscaled_menu_bar}")

    with s.step("a 640 x 480 picture fills 640 x 480 screen pixels above a status bar twice as tall"):
        s.file_dialog(main, "f", "o", bmp_path)
        status_bar = STATUS_BAR_HEIGHT * SCALE
        want = (PICTURE_SIZE[0], PICTURE_SIZE[1] + status_bar + s.menu_bar)
        wait_for(f"the main window to measure {want[0]} x {want[1]} (now {main_window().size})",
                 lambda: main_window().size == want, 10)
        s.expect_shown("the main window's view", main_window, bmp, P.check_exact)

    with s.step("to clipboard before any drag copies the picture exactly"):
        s.menu(main, "t", "c")
        P.check_exact("the clipboard", clipboard(PICTURE_SIZE), bmp)

    # Odd corners and an odd size: the selection lies on screen pixels that
    # are no corners of the desktop's logical pixels.
    start, end = (101, 77), (334, 252)
    piece = P.piece(bmp, *start, *end)
    with s.step("a drag outlines and copies exactly the screen pixels it covers"):
        s.drag(main_window(), start, end, via=[(200, 150)])
        s.expect_shown("the main window's view", main_window, P.with_outline(bmp, *start, *end), P.check_exact)
        s.menu(main, "t", "c")
        P.check_exact("the clipboard", clipboard(piece.size), piece)

    with s.step("cut shows the piece on as many screen pixels"):
        s.menu(main, "t", "k")
        cut = wait_for("the cut-result window", lambda: s.find(caption=CUT_CAPTION), 10)
        # The client area is whole desktop pixels: the odd size gets one more
        # screen pixel of room.
        want = (piece.width + 1, piece.height + 1 + s.menu_bar)
        cut = wait_for(f"the cut-result window to measure {want[0]} x {want[1]} (now {cut.size})",
                       lambda: (w := s.find(caption=CUT_CAPTION)) and w.size == want and w, 5)
        s.expect_shown("the cut-result window", lambda: cut, piece, P.check_exact)
        s.menu(cut, "f", "c")
        wait_for("the cut-result window to hide", lambda: s.find(caption=CUT_CAPTION) is None, 5)

    with s.step("close: exit code 0"):
        code = s.close_program(main_window())
        check(code == 0, f"exit code {code}")


if __name__ == "__main__":
    sys.exit(run(road))
