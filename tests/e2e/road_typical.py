#!/usr/bin/python3
"""The typical road: open a BMP and a JPEG, select, nudge, cut, save, copy, close."""

import os
import sys

# The suite runs from the source tree, which a test run must leave as it was.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pictures as P  # noqa: E402
from harness import (CUT_CAPTION, START_CLIENT, STATUS_BAR_HEIGHT, check, run,  # noqa: E402
                     wait_for)

BMP_SIZE = (322, 241)
JPEG_SIZE = (400, 300)


def road(s):
    bmp_path = s.path("coordinates.bmp")
    bmp = P.coordinate_bmp(bmp_path, *BMP_SIZE)
    jpeg_path = s.path("smooth.jpg")
    jpeg = P.smooth_jpeg(jpeg_path, *JPEG_SIZE)

    def main_window():
        window = s.find(wid=main.id)
        check(window is not None, "the main window is gone")
        return window

    def main_sized_for(picture_size):
        want = (picture_size[0], picture_size[1] + STATUS_BAR_HEIGHT + s.menu_bar)
        return wait_for(f"the main window to measure {want[0]} x {want[1]} (now {main_window().size})",
                        lambda: main_window().size == want and main_window(), 10)

    def cut_window(piece_size):
        # The cut-result window's client area lies below a menu bar like the
        # main window's.
        want = (piece_size[0], piece_size[1] + s.menu_bar)
        window = wait_for("the cut-result window", lambda: s.find(caption=CUT_CAPTION), 10)
        return wait_for(f"the cut-result window to measure {want[0]} x {want[1]} (now {window.size})",
                        lambda: (w := s.find(caption=CUT_CAPTION)) and w.size == want and w, 5)

    def close_cut(window):
        s.menu(window, "f", "c")
        wait_for("the cut-result window to hide", lambda: s.find(caption=CUT_CAPTION) is None, 5)

    def clipboard(size):
        return P.clipboard_picture(s, size)

    def save(window, name):
        target = s.path(name)
        s.file_dialog(window, "f", "s", target)
        return target, wait_for(f"{name} to be written", lambda: P.try_load(target), 10)

    with s.step("start: only the empty main window shows"):
        main = s.start()
        check(main.width == START_CLIENT[0], f"the main window is {main.width} wide, want {START_CLIENT[0]}")
        s.menu_bar = main.height - START_CLIENT[1]
        check(10 <= s.menu_bar <= 60, f"a menu bar of {s.menu_bar} pixels is implausible ({main})")
        check(s.find(caption=CUT_CAPTION) is None, "the cut-result window shows at start")

    with s.step("open a BMP: the window fits the picture and the status bar"):
        s.file_dialog(main, "f", "o", bmp_path)
        main_sized_for(BMP_SIZE)
        s.expect_shown("the main window's view", main_window, bmp, P.check_exact)

    with s.step("to clipboard before any drag copies the whole picture"):
        s.menu(main, "t", "c")
        P.check_exact("the clipboard", clipboard(BMP_SIZE), bmp)

    with s.step("cut then shows the whole picture, close hides it"):
        s.menu(main, "t", "k")
        cut = cut_window(BMP_SIZE)
        s.expect_shown("the cut-result window", lambda: cut, bmp, P.check_exact)
        close_cut(cut)

    # Dragged up and to the left, then nudged. Left/Top stay where the drag
    # started (200, 150), Right/Bottom where it ended (30, 40):
    #   Left             -> (199,150)-(29,40)   whole rectangle
    #   Shift+Up         -> (199,149)-(29,40)   Top only
    #   Ctrl+Right       -> (199,149)-(30,40)   Right only
    #   Shift+Ctrl+Down  -> unchanged
    #   Down             -> (199,150)-(30,41)
    #   Shift+Left       -> (198,150)-(30,41)   Left only
    #   Ctrl+Down        -> (198,150)-(30,42)   Bottom only
    # Cut puts it in order: columns 30..197, rows 42..149.
    selection = P.piece(bmp, 198, 150, 30, 42)
    with s.step("drag a reversed rectangle and nudge it with the arrow keys"):
        s.drag(main_window(), (200, 150), (30, 40), via=[(150, 120), (60, 60)])
        s.focus(main)
        s.key("Left", "shift+Up", "ctrl+Right", "shift+ctrl+Down", "Down", "shift+Left", "ctrl+Down")
        # Each nudge erased the old outline before drawing the new one. Only
        # around the rectangle: every key reaches the window's key handler,
        # the Alt of a menu's access key too, and after To clipboard took the
        # whole picture such a key leaves that rectangle's outline drawn.
        around = (20, 30, 210, 162)
        s.expect_shown("the main window's view", main_window, P.with_outline(bmp, 198, 150, 30, 42),
                       lambda what, got, want: P.check_exact(what, got.crop(around), want.crop(around)))

    with s.step("cut shows the nudged piece at its size"):
        s.menu(main, "t", "k")
        cut = cut_window(selection.size)
        s.expect_shown("the cut-result window", lambda: cut, selection, P.check_exact)

    with s.step("save the piece as BMP: its exact pixels, 24 bits per pixel"):
        saved, picture = save(cut, "piece.bmp")
        P.check_exact("piece.bmp", picture, selection)
        bits = P.bmp_bits_per_pixel(saved)
        check(bits == 24, f"piece.bmp has {bits} bits per pixel, want 24")

    with s.step("to clipboard copies the same piece, without the outline"):
        s.menu(main, "t", "c")
        P.check_exact("the clipboard", clipboard(selection.size), selection)

    forward = P.piece(bmp, 10, 20, 260, 90)
    with s.step("close the cut-result window, drag again, cut again"):
        close_cut(cut)
        s.drag(main_window(), (10, 20), (260, 90), via=[(100, 50)])
        s.menu(main, "t", "k")
        cut = cut_window(forward.size)
        s.menu(main, "t", "c")
        P.check_exact("the clipboard", clipboard(forward.size), forward)

    with s.step("save over an existing file: replaced without a question"):
        before = os.stat(s.path("piece.bmp")).st_mtime_ns
        saved = s.path("piece.bmp")
        s.file_dialog(cut, "f", "s", saved)
        wait_for("piece.bmp to be replaced", lambda: os.stat(saved).st_mtime_ns != before, 10)
        P.check_exact("piece.bmp", wait_for("a readable piece.bmp", lambda: P.try_load(saved)), forward)

    with s.step("open a JPEG: the window follows the new picture's size"):
        # Both windows may open at the same place: the cut-result window
        # would hide the picture and take the drags meant for it.
        close_cut(cut)
        s.file_dialog(main, "f", "o", jpeg_path)
        main_sized_for(JPEG_SIZE)
        # No outline: the selection's coordinates survive, its outline does not.
        s.expect_shown("the main window's view", main_window, jpeg, P.check_near)

    with s.step("cut right after opening takes the last selection from the new picture"):
        kept = P.piece(jpeg, 10, 20, 260, 90)
        s.menu(main, "t", "k")
        cut = cut_window(kept.size)
        s.expect_shown("the cut-result window", lambda: cut, kept, P.check_near)
        close_cut(cut)

    smooth = P.piece(jpeg, 60, 50, 330, 230)
    with s.step("select and cut a piece of the JPEG"):
        s.drag(main_window(), (60, 50), (330, 230), via=[(200, 140)])
        if s.docs:
            s.settle(main)
            s.screenshot("docs", window=main.id, to=os.path.join(s.docs, "screenshot-selection.png"))
        s.menu(main, "t", "k")
        cut = cut_window(smooth.size)
        if s.docs:
            s.settle(cut)
            s.screenshot("docs", window=cut.id, to=os.path.join(s.docs, "screenshot-cut.png"))

    with s.step("save the JPEG piece as JPEG and as BMP"):
        saved, picture = save(cut, "piece.jpg")
        check(open(saved, "rb").read(2) == b"\xff\xd8", "piece.jpg is not JPEG data")
        P.check_close("piece.jpg", picture, smooth, 2.5)
        saved, picture = save(cut, "piece-of-jpeg.bmp")
        P.check_near("piece-of-jpeg.bmp", picture, smooth)

    with s.step("a name typed without an extension is saved as JPEG"):
        s.file_dialog(cut, "f", "s", s.path("no-extension"))
        picture = wait_for("no-extension.jpg to be written", lambda: P.try_load(s.path("no-extension.jpg")), 10)
        check(not os.path.exists(s.path("no-extension")), "the name without extension was written as well")
        P.check_close("no-extension.jpg", picture, smooth, 2.5)

    with s.step("close the main window with the cut-result window open: exit code 0"):
        code = s.close_program(main_window())
        check(code == 0, f"exit code {code}")


if __name__ == "__main__":
    sys.exit(run(road))
