#!/usr/bin/python3
"""A picture larger than the screen, shown whole: the window takes the work
area, the view shows the whole picture reduced, and a selection dragged on the
reduced view copies exactly the picture pixels under the drag's ends. With
ルーペ on, a loupe beside the pointer magnifies the pixels around the moving
corner during a drag and for a moment after a nudge; off, nothing appears."""

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
    # Rows are put together from tables: there are six million pixels.
    low = bytes(x & 0xFF for x in range(width))
    high = [bytes(((x >> 8) | (band << 4)) & 0xFF for x in range(width)) for band in range((height - 1 >> 8) + 1)]
    data = bytearray()
    for y in range(height):
        if y < FRAME or y >= height - FRAME:
            data += bytes(RED) * width
            continue
        row = bytearray(width * 3)
        row[0::3] = low
        row[1::3] = bytes([y & 0xFF]) * width
        row[2::3] = high[y >> 8]
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
        P.check_exact("the clipboard", P.clipboard_picture(s, piece.size), piece)

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

    def settled(what, ready):
        """The screen once ready(shot) holds and two captures in a row agree."""
        last = None

        def probe():
            nonlocal last
            now = s.capture()
            same = last is not None and now.tobytes() == last.tobytes() and ready(now)
            last = now
            return now if same else None
        return wait_for(what, probe, 30)

    def loupes():
        window = main_window()
        return [w for w in s.windows() if w.id != window.id]

    def block(shot, centre, half):
        return shot.crop((centre[0] - half, centre[1] - half, centre[0] + half + 1, centre[1] + half + 1)).tobytes()

    def mid_drag(start, end):
        """Presses at start and moves to end on the view, and holds the button;
        returns where the pointer is on the screen."""
        window = main_window()
        at = lambda p: (window.x + p[0], window.y + s.menu_bar + p[1])
        s.xdotool("mousemove", *map(str, at(start)))
        s.xdotool("mousedown", "1")
        s.xdotool("mousemove", *map(str, at(((start[0] + end[0]) // 2, (start[1] + end[1]) // 2))))
        s.xdotool("mousemove", *map(str, at(end)))
        return at(end)

    # Far from the outline the earlier steps left, whose lines would move too.
    start, end = (500, 400), (700, 520)
    with s.step("ルーペ off: a drag on the reduced view shows nothing beside the pointer"):
        s.menu(main, "v", "f")
        before = settled("the whole picture", lambda shot: True)
        pointer = mid_drag(start, end)
        # The new outline's corner starts where the pointer's picture pixel
        # does, at most a device pixel before the pointer.
        off = settled("the outline at the pointer", lambda shot: block(shot, pointer, 2) != block(before, pointer, 2))
        check(not loupes(), f"windows appeared during the drag: {loupes()}")
        s.xdotool("mouseup", "1")
        s.screenshot("loupe-off")

    with s.step("ルーペ on: the drag shows the corner's pixels magnified beside the pointer, and leaves its own pixels"):
        s.menu(main, "v", "l")
        pointer = mid_drag(start, end)
        loupe = wait_for("the loupe", loupes, 15)[0]
        on = settled("the loupe's pixels", lambda shot: True)
        s.screenshot("loupe-on")
        # The loupe sits near the pointer, off the pixels it magnifies.
        near = max(abs(loupe.x - pointer[0]), abs(loupe.y - pointer[1]))
        check(near < 200, f"the loupe at ({loupe.x}, {loupe.y}) is far from the pointer at {pointer}")
        check(block(on, pointer, 8) == block(off, pointer, 8), "the pixels at the moving corner changed")
        box = (loupe.x, loupe.y, loupe.x + loupe.width, loupe.y + loupe.height)
        differ = sum(a != b for a, b in zip(on.crop(box).getdata(), off.crop(box).getdata()))
        check(differ > loupe.width * loupe.height // 2,
              f"only {differ} of the loupe's {loupe.width * loupe.height} pixels differ from the view without it")
        # Magnified: a picture pixel fills a square inside the grid.
        cells = {on.getpixel((loupe.x + 4 + dx, loupe.y + 4 + dy)) for dx in range(-2, 3) for dy in range(-2, 3)}
        check(len(cells) == 1, f"the loupe's first cell shows {len(cells)} colours")
        s.xdotool("mouseup", "1")
        wait_for("the loupe to go with the release", lambda: not loupes(), 15)

    with s.step("ルーペ on: a nudge shows the loupe for a moment"):
        s.focus(main)
        s.key("shift+Left")
        wait_for("the loupe after a nudge", loupes, 15)
        wait_for("the loupe to go a second after the nudge", lambda: not loupes(), 15)
        check(s.close_program(main) == 0, "the program did not end with exit code 0")

if __name__ == "__main__":
    sys.exit(run(road))
