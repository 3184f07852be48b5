#!/usr/bin/python3
"""Photos that carry an Exif orientation open upright: each of the eight, a
big-endian block, a damaged one, and a portrait photo as a phone writes it."""

import os
import sys

# The suite runs from the source tree, which a test run must leave as it was.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pictures as P  # noqa: E402
from harness import CUT_CAPTION, START_CLIENT, check, run, wait_for  # noqa: E402

STORED_SIZE = (200, 130)
PHONE_SIZE = (320, 240)


def road(s):
    source = s.path("stored.jpg")
    P.smooth_jpeg(source, *STORED_SIZE)
    stored = P.djpeg_reference(source, s.path("stored.bmp"))
    # (name, Exif block, the orientation the program must apply)
    photos = [(f"o{n}.jpg", P.exif_block(n), n) for n in range(1, 9)]
    photos += [("big-endian.jpg", P.exif_block(6, big_endian=True), 6),
               ("damaged.jpg", P.exif_block(6, damaged=True), 1)]
    for name, block, _ in photos:
        P.with_exif(source, s.path(name), block)

    phone_source = s.path("phone-stored.jpg")
    P.smooth_jpeg(phone_source, *PHONE_SIZE)
    phone = s.path("portrait.jpg")
    P.with_exif(phone_source, phone, P.exif_block(6, phone=True), drop_jfif=True)
    portrait = P.upright(P.djpeg_reference(phone_source, s.path("phone.bmp")), 6)

    def main_window():
        return s.current(main)

    def open_and_copy_whole(path, size):
        """Opens path, selects the whole picture by dragging from its top-left
        corner to just past its bottom-right one, and copies it."""
        s.file_dialog(main_window(), "f", "o", path)
        s.settle(main_window())
        s.drag(main_window(), (0, 0), size, via=[(size[0] // 2, size[1] // 2)])
        s.menu(main_window(), "t", "c")
        return P.clipboard_picture(s, size)

    with s.step("start"):
        main = s.start()
        s.menu_bar = main.height - START_CLIENT[1]
        check(10 <= s.menu_bar <= 60, f"a menu bar of {s.menu_bar} pixels is implausible ({main})")

    for name, _, orientation in photos:
        want = P.upright(stored, orientation)
        with s.step(f"{name}: opens as the stored pixels turned by orientation {orientation}"):
            P.check_exact(name, open_and_copy_whole(s.path(name), want.size), want)

    with s.step("a portrait phone photo opens upright, 240 x 320"):
        P.check_exact("portrait.jpg", open_and_copy_whole(phone, portrait.size), portrait)

    piece = P.piece(portrait, 30, 200, 170, 60)
    with s.step("a piece of the upright photo is cut, copied and saved as it shows"):
        s.drag(main_window(), (30, 200), (170, 60), via=[(100, 120)])
        s.menu(main_window(), "t", "k")
        want = (piece.width, piece.height + s.menu_bar)
        cut = wait_for("the cut-result window", lambda: (w := s.find(caption=CUT_CAPTION)) and w.size == want and w, 10)
        s.expect_shown("the cut-result window", lambda: cut, piece, P.check_exact)
        s.menu(main_window(), "t", "c")
        P.check_exact("the clipboard", P.clipboard_picture(s, piece.size), piece)
        saved = s.path("piece.bmp")
        s.file_dialog(cut, "f", "s", saved)
        P.check_exact("piece.bmp", wait_for("piece.bmp to be written", lambda: P.try_load(saved), 10), piece)
        saved = s.path("piece.jpg")
        s.file_dialog(cut, "f", "s", saved)
        P.check_close("piece.jpg", wait_for("piece.jpg to be written", lambda: P.try_load(saved), 10), piece, 2.5)
        check(b"Exif" not in open(saved, "rb").read(), "piece.jpg carries an Exif block")

    with s.step("close: exit code 0"):
        code = s.close_program(main_window())
        check(code == 0, f"exit code {code}")


if __name__ == "__main__":
    sys.exit(run(road))
