#!/usr/bin/python3
"""A picture larger than the screen, shown whole: the window takes the work
area, the view shows the whole picture reduced, and a selection dragged on the
reduced view copies exactly the picture pixels under the drag's ends."""

import os
import sys
from fractions import Fraction
from math import ceil, floor

# The suite runs from the source tree, which a test run must leave as it was.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pictures as P  # noqa: E402
from harness import START_CLIENT, STATUS_BAR_HEIGHT, check, run, wait_for  # noqa: E402

PICTURE_SIZE = (3000, 2000)
FRAME = 12  # the red frame's width, in picture pixels
RED = (255, 0, 0)
MEDIUM_GREY = (0xA0, 0xA0, 0xA4)


def framed_bmp(path):
    """Every pixel differs from every other (low bytes of x and y in red and
    green, their high bits in blue) inside a red frame."""
    width, height = PICTURE_SIZE
    data = bytearray()
    for y in range(height):
        if y < FRAME or y >= height - FRAME:
            data += bytes(RED) * width
            continue
        row = bytearray(width * 3)
        row[0::3] = bytes(x & 0xFF for x in range(width))
        row[1::3] = bytes([y & 0xFF]) * width
        row[2::3] = bytes(((x >> 8) | ((y >> 8) << 4)) & 0xFF for x in range(width))
        row[0:FRAME * 3] = bytes(RED) * FRAME
        row[(width - FRAME) * 3:] = bytes(RED) * FRAME
        data += row
    picture = P.Image.frombytes("RGB", PICTURE_SIZE, bytes(data))
    picture.save(path, "BMP")
    return picture


def road(s):
    bmp_path = s.path("framed.bmp")
    bmp = framed_bmp(bmp_path)

    def main_window():
        return s.current(main)

    def clipboard(size):
        return P.clipboard_picture(s, size)

    def clipboard_holds(piece):
        # The same size as the piece before: wait for this piece itself.
        wait_for("the moved piece on the clipboard",
                 lambda: (data := s.clipboard_png()) and P.load(data).tobytes() == piece.tobytes(), 10)

    with s.step("start and open a picture larger than the screen"):
        main = s.start()
        s.menu_bar = main.height - START_CLIENT[1]
        s.file_dialog(main, "f", "o", bmp_path)
        wait_for("the main window to grow", lambda: main_window().width > START_CLIENT[0], 10)
        # At 1:1 the view shows the picture's top-left corner.
        corner = bmp.crop((0, 0, 300, 200))
        s.expect_shown("the main window's view", main_window, corner, P.check_exact)

    with s.step("Alt+V, F shows the whole picture and its frame inside the window"):
        s.menu(main, "v", "f")
        window = main_window()
        view_area = (window.width, window.height - s.menu_bar - STATUS_BAR_HEIGHT)
        zoom = min(Fraction(1), Fraction(view_area[0], PICTURE_SIZE[0]), Fraction(view_area[1], PICTURE_SIZE[1]))
        check(zoom < 1, f"a view of {view_area} needs no reduction")
        shown = (ceil(PICTURE_SIZE[0] * zoom), ceil(PICTURE_SIZE[1] * zoom))

        def whole_frame(what, got, want):
            width, height = shown
            edges = [(x, y) for x in range(0, width, 7) for y in (0, height - 1)]
            edges += [(x, y) for y in range(0, height, 7) for x in (0, width - 1)]
            for x, y in edges:
                check(got.getpixel((x, y)) == RED, f"{what}: ({x}, {y}) is {got.getpixel((x, y))}, not the frame")
            # Inside the frame the picture, beside the view the scroll box.
            check(got.getpixel((width // 2, height // 2)) != RED, f"{what}: the middle is red")
            outside = got.getpixel((width, height // 2)) if width < view_area[0] else \
                got.getpixel((width // 2, height)) if height < view_area[1] else MEDIUM_GREY
            check(outside == MEDIUM_GREY, f"{what}: beside the view shows {outside}")

        s.expect_shown("the reduced view", main_window, P.Image.new("RGB", view_area), whole_frame)
        s.screenshot("whole-picture")

    # Device positions on the reduced view; each shows picture pixel ⌊d / z⌋.
    start, end = (101, 77), (334, 252)
    with s.step("a drag on the reduced view copies exactly the picture pixels it covers"):
        ended = s.drag(main_window(), start, end, via=[(200, 150)])
        check(ended == end, f"the drag ended at {ended}")
        corners = [floor(d / zoom) for d in (*start, *end)]
        piece = P.piece(bmp, *corners)
        s.screenshot("whole-picture-selection")
        s.menu(main, "t", "c")
        P.check_exact("the clipboard", clipboard(piece.size), piece)

    with s.step("an arrow key moves the selection by one picture pixel"):
        s.focus(main)
        s.key("Right")
        piece = P.piece(bmp, corners[0] + 1, corners[1], corners[2] + 1, corners[3])
        s.menu(main, "t", "c")
        clipboard_holds(piece)

    with s.step("Ctrl+0 returns to 1:1, where the keys still move the same selection"):
        s.focus(main)
        s.key("ctrl+0")
        s.screenshot("actual-size")
        s.key("Down")
        piece = P.piece(bmp, corners[0] + 1, corners[1] + 1, corners[2] + 1, corners[3] + 1)
        s.menu(main, "t", "c")
        clipboard_holds(piece)
        check(s.close_program(main) == 0, "the program did not end with exit code 0")

if __name__ == "__main__":
    sys.exit(run(road))
