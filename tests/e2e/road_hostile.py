#!/usr/bin/python3
"""Hostile use: broken files through the open dialog, saves that cannot be made,
drags far off the window."""

import os
import sys
import time

# The suite runs from the source tree, which a test run must leave as it was.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pictures as P  # noqa: E402
from harness import CheckFailed, CUT_CAPTION, START_CLIENT, STATUS_BAR_HEIGHT, check, run, wait_for  # noqa: E402

BMP_SIZE = (300, 200)
JPEG_SIZE = (256, 160)


def road(s):
    good = s.path("good.bmp")
    picture = P.coordinate_bmp(good, *BMP_SIZE)
    source = s.path("source.jpg")
    P.smooth_jpeg(source, *JPEG_SIZE)
    broken = []
    for name, make in [
            ("cut-in-header.jpg", lambda p: P.truncated_in_header_jpeg(source, p)),
            ("lying-size.bmp", P.lying_bmp_size),
            ("lying-palette.bmp", P.lying_bmp_palette),
            ("empty.jpg", lambda p: open(p, "wb").close()),
            ("empty.bmp", lambda p: open(p, "wb").close()),
            ("text.jpg", lambda p: open(p, "w").write("not a picture, only words\n" * 40))]:
        make(s.path(name))
        broken.append(name)
    cut_in_scan = s.path("cut-in-scan.jpg")
    P.truncated_in_scan_jpeg(source, cut_in_scan)

    def main_window():
        return s.current(main)

    def main_sized_for(picture_size):
        want = (picture_size[0], picture_size[1] + STATUS_BAR_HEIGHT + s.menu_bar)
        return wait_for(f"the main window to measure {want[0]} x {want[1]}",
                        lambda: main_window().size == want and main_window(), 10)

    def complaint(cut):
        """The message box a failed save raises, titled as the cut-result window."""
        def probe():
            found = s.xdotool("search", "--onlyvisible", "--name", f"^{CUT_CAPTION}$", ok=False).split()
            return [wid for wid in found if wid != cut.id]
        return wait_for("a message box titled as the cut-result window", probe, 10)[0]

    def cut_beyond(start, end):
        """Cuts a selection that reaches off the picture: the piece keeps the
        selection's size, and where it lies on the picture it holds the
        picture's pixels (what lies off it is the program's choice)."""
        s.menu(main_window(), "t", "k")
        left, right = sorted((start[0], end[0]))
        top, bottom = sorted((start[1], end[1]))
        size = (right - left, bottom - top)
        want = (size[0], size[1] + s.menu_bar)
        cut = wait_for(f"the cut-result window measuring {want[0]} x {want[1]}",
                       lambda: (w := s.find(caption=CUT_CAPTION)) and w.size == want and w, 10)
        on_picture = (max(left, 0), max(top, 0), min(right, BMP_SIZE[0]), min(bottom, BMP_SIZE[1]))
        s.expect_shown("the part of the piece on the picture", lambda: cut, P.piece(picture, *on_picture),
                       P.check_exact, at=(on_picture[0] - left, on_picture[1] - top))
        s.menu(cut, "f", "c")
        wait_for("the cut-result window to hide", lambda: s.find(caption=CUT_CAPTION) is None, 5)

    with s.step("start"):
        main = s.start()
        s.menu_bar = main.height - START_CLIENT[1]

    with s.step("open a good BMP"):
        s.file_dialog(main, "f", "o", good)
        shown = main_sized_for(BMP_SIZE)

    with s.step("cancel the open dialog: nothing changes"):
        s.file_dialog(main_window(), "f", "o", None)
        check(main_window().size == shown.size, f"the main window measures {main_window().size}")
        s.expect_shown("the main window's view", main_window, picture, P.check_exact)

    for name in broken:
        with s.step(f"open {name}: the picture, the window and the program stay"):
            s.file_dialog(main_window(), "f", "o", s.path(name))
            s.settle(main_window())
            check(main_window().size == shown.size,
                  f"the main window measures {main_window().size} after {name}, was {shown.size}")
            s.expect_shown("the main window's view", main_window, picture, P.check_exact)
            # Open reports nothing: no message box, no dialog left open.
            others = [w for w in s.windows() if w.id != main.id]
            check(not others, f"windows left after opening {name}: {others}")

    def peak_memory_mb():
        """The program's peak resident memory so far."""
        with open(f"/proc/{s.program.pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) / 1024
        raise CheckFailed("no VmHWM in the program's status")

    with s.step("a settled program answers at once"):
        started = time.monotonic()
        s.settle(main_window())
        answer = time.monotonic() - started

    for name, data in P.hostile_files().items():
        with s.step(f"open {name}: refused at once, cheaply, and the picture stays"):
            open(s.path(name), "wb").write(data)
            s.file_dialog(main_window(), "f", "o", s.path(name))
            started = time.monotonic()
            s.settle(main_window())
            busy = time.monotonic() - started - answer
            # The sanitizers slow every step of the program several times over.
            check(busy < (3.0 if s.sanitized else 1.0), f"the program was busy {busy:.1f} s after opening {name}")
            peak = peak_memory_mb()
            check(s.sanitized or peak < 250, f"the program's peak memory reached {peak:.0f} MB")
            check(main_window().size == shown.size, f"the main window measures {main_window().size}")
            s.expect_shown("the main window's view", main_window, picture, P.check_exact)

    with s.step("after a failed open, to clipboard and cut give the picture shown"):
        s.menu(main_window(), "t", "c")
        P.check_exact("the clipboard", P.clipboard_picture(s, BMP_SIZE), picture)
        s.menu(main_window(), "t", "k")
        cut = wait_for("the cut-result window", lambda: s.find(caption=CUT_CAPTION), 10)
        s.expect_shown("the cut-result window", lambda: cut, picture, P.check_exact)

    locked = s.path("locked")
    os.makedirs(locked)
    os.chmod(locked, 0o555)
    for target in (os.path.join(locked, "piece.bmp"), s.path("piece.png")):
        with s.step(f"save as {target}: a message box, nothing written"):
            s.file_dialog(cut, "f", "s", target)
            box = complaint(cut)
            s.xdotool("windowfocus", "--sync", box)
            s.key("Return")
            wait_for("the message box to close", lambda: s.find(wid=box) is None, 5)
            check(not os.path.exists(target), f"{target} was written")
    os.chmod(locked, 0o755)
    check(not os.listdir(locked), f"the read-only folder holds {os.listdir(locked)}")
    s.menu(cut, "f", "c")

    with s.step("a JPEG cut inside its scan still opens at its full size"):
        s.file_dialog(main_window(), "f", "o", cut_in_scan)
        main_sized_for(JPEG_SIZE)

    with s.step("open the good BMP again"):
        s.file_dialog(main_window(), "f", "o", good)
        shown = main_sized_for(BMP_SIZE)

    with s.step("drag far beyond the right and bottom edges and cut"):
        window = main_window()
        end = s.drag(window, (150, 100), (window.width + 400, window.height + 300),
                     via=[(window.width + 50, window.height)])
        cut_beyond((150, 100), end)

    with s.step("drag to negative coordinates and cut"):
        window = main_window()
        if window.x < 200 or window.y < 200:
            # The pointer cannot leave the screen: give the window room on
            # its left and above it, as a user would by moving it.
            s.xdotool("windowmove", "--sync", window.id, "300", "300")
            window = wait_for("the window to move", lambda: main_window().x >= 200 and main_window(), 5)
        end = s.drag(window, (150, 100), (-180, -250), via=[(-20, -20), (-100, 50)])
        check(end == (-180, -250), f"the drag ended at {end}, off the screen")
        cut_beyond((150, 100), end)
        s.menu(main_window(), "t", "c")
        s.settle(main_window())

    with s.step("an honest, complete 10000 x 10000 JPEG still opens, in the memory it needs"):
        big = s.path("honest-100-mp.jpg")
        P.honest_big_jpeg(big, 10000, 10000)
        before = main_window().size
        s.file_dialog(main_window(), "f", "o", big)
        wait_for("the main window to grow for the big picture", lambda: main_window().size != before, 60)
        s.settle(main_window())
        peak = peak_memory_mb()
        limit = 2.6 * 10000 * 10000 * 3 / 2**20 + 120
        print(f"    peak memory after the 100-megapixel open: {peak:.0f} MB (limit {limit:.0f} MB)", flush=True)
        check(s.sanitized or peak <= limit,
              f"the program's peak memory reached {peak:.0f} MB, more than {limit:.0f} MB")

    with s.step("close: exit code 0"):
        code = s.close_program(main_window())
        check(code == 0, f"exit code {code}")

    with s.step("the dialogs kept nothing in the home folder"):
        kept = [os.path.join(folder, name) for folder, _, names in os.walk(s.path("home"))
                for name in names if name == "QtProject.conf"]
        check(not kept, f"Qt's settings were written: {kept}")


if __name__ == "__main__":
    sys.exit(run(road))
