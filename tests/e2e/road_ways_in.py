#!/usr/bin/python3
"""The ways in: the command line with and without a display, a picture named
at start (".bmp" by a relative name, ".jpeg"), a file that cannot be opened,
a piece saved as ".jpeg", and files dragged from another program."""

import os
import select
import subprocess
import sys
import time

# The suite runs from the source tree, which a test run must leave as it was.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pictures as P  # noqa: E402
from harness import (CUT_CAPTION, MAIN_CAPTION_END, SCREEN, START_CLIENT, STATUS_BAR_HEIGHT, check, run,  # noqa: E402
                     wait_for)

BMP_SIZE = (203, 157)
JPEG_SIZE = (320, 200)


def road(s):
    home = s.path("home")
    os.makedirs(home, exist_ok=True)
    bmp = P.coordinate_bmp(os.path.join(home, "coordinates.bmp"), *BMP_SIZE)
    jpeg_path = s.path("photo.jpeg")
    P.smooth_jpeg(jpeg_path, *JPEG_SIZE)
    jpeg = P.djpeg_reference(jpeg_path, s.path("reference.bmp"))

    def answer(program, args, display=None):
        """Runs the program to its end; no window system unless display."""
        window_systems = ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")
        env = {k: v for k, v in os.environ.items() if k not in window_systems}
        if display:
            env["DISPLAY"] = display
        result = subprocess.run([program, *args], env=env, capture_output=True, text=True, timeout=20)
        return result.returncode, result.stdout, result.stderr

    def main_window():
        window = s.find(caption_end=MAIN_CAPTION_END)
        check(window is not None, "the main window is gone")
        return window

    def sized_for(client):
        want = (client[0], client[1] + s.menu_bar)
        return wait_for(f"the main window to measure {want[0]} x {want[1]} (now {main_window().size})",
                        lambda: main_window().size == want and main_window(), 10)

    def clipboard_shows(picture):
        s.menu(main_window(), "t", "c")
        P.check_exact("the clipboard", P.clipboard_picture(s, picture.size), picture)

    def restart(args):
        code = s.close_program(main_window())
        check(code == 0, f"exit code {code}")
        return s.start_again(args=args)

    with s.step("without a display: --version and --help answer, a misuse is 2, the rest is 1"):
        program = s.install()
        code, out, err = answer(program, ["--version"])
        check(code == 0 and out.startswith("kiritori ") and out.count("\n") == 1 and not err,
              f"--version: exit {code}, out {out!r}, err {err!r}")
        code, out, err = answer(program, ["--help"])
        check(code == 0 and "Usage: kiritori [FILE]" in out and not err, f"--help: exit {code}, out {out!r}")
        code, out, err = answer(program, ["--bogus", "photo.jpg"])
        check(code == 2 and "--bogus" in err and "Usage" in err and not out,
              f"an unknown option: exit {code}, err {err!r}")
        for display in (None, ":60999"):
            code, out, err = answer(program, [jpeg_path], display)
            check(code == 1 and err.count("\n") == 1 and err.startswith("kiritori: "),
                  f"DISPLAY={display}: exit {code}, err {err!r}")
            check(display is None or display in err, f"the message does not name {display}: {err!r}")

    with s.step("a file that cannot be opened starts with the picture-less window"):
        main = s.start(args=[s.path("missing.jpg")])
        s.menu_bar = main.height - START_CLIENT[1]
        check(main.width == START_CLIENT[0] and 10 <= s.menu_bar <= 60, f"the main window is {main}")
        code, out, _ = answer(program, ["--version"], s.display)
        check(code == 0 and out.startswith("kiritori "), f"--version with a display: exit {code}")

    with s.step("a BMP named at start, relative to the working folder, shows at full size"):
        restart(["coordinates.bmp"])
        sized_for((BMP_SIZE[0], BMP_SIZE[1] + STATUS_BAR_HEIGHT))
        s.expect_shown("the main window's view", main_window, bmp, P.check_exact)
        clipboard_shows(bmp)

    with s.step("a .jpeg named at start opens exactly"):
        restart([jpeg_path])
        sized_for((JPEG_SIZE[0], JPEG_SIZE[1] + STATUS_BAR_HEIGHT))
        clipboard_shows(jpeg)

    with s.step("a piece saved as .jpeg is a JPEG file"):
        piece = P.piece(jpeg, 40, 30, 240, 150)
        s.drag(main_window(), (40, 30), (240, 150), via=[(120, 90)])
        s.menu(main_window(), "t", "k")
        cut = wait_for("the cut-result window", lambda: s.find(caption=CUT_CAPTION), 10)
        target = s.path("piece.jpeg")
        s.file_dialog(cut, "f", "s", target)
        picture = wait_for("piece.jpeg to be written", lambda: P.try_load(target), 10)
        check(open(target, "rb").read(2) == b"\xff\xd8", "piece.jpeg is not JPEG data")
        P.check_close("piece.jpeg", picture, piece, 2.5)
        # It would cover the main window, and the drops below are meant for that.
        s.menu(cut, "f", "c")
        wait_for("the cut-result window to hide", lambda: s.find(caption=CUT_CAPTION) is None, 5)

    with s.step("files dragged from another program: others are refused, a source that vanishes mid-drag "
                "spoils no later drag, a BMP opens"):
        note = os.path.join(home, "note.txt")
        open(note, "w").write("not a picture")
        before = main_window().size
        took = drag_and_drop(s, main_window(), ["https://example.com/a.jpg", "file://" + note], taken=False)
        check(took == "none", f"the window took the refused drag as {took!r}")
        # A source that dies never leaves: the toolkit takes the next drag for
        # the same one. The first vanishes refused, the second taken.
        drag_and_drop(s, main_window(), ["file://" + note], taken=False, vanish=True)
        over = drag_and_drop(s, main_window(), ["file://" + jpeg_path], taken=True, vanish=True)
        check(over == "copy", f"a picture dragged after a vanished refused drag was answered {over!r}")
        check(main_window().size == before, "a refused or vanished drag changed the window")
        picture = "file://" + os.path.join(home, "coordinates.bmp")
        took = drag_and_drop(s, main_window(), ["file://" + note, picture], taken=True)
        check(took == "copy", f"the drop was taken as {took!r}, not as a copy")
        sized_for((BMP_SIZE[0], BMP_SIZE[1] + STATUS_BAR_HEIGHT))
        s.expect_shown("the main window's view", main_window, bmp, P.check_exact)

    with s.step("close: exit code 0"):
        code = s.close_program(main_window())
        check(code == 0, f"exit code {code}")


def drag_and_drop(s, target, uris, taken, vanish=False):
    """Drags uris from a small program of the desktop's own kind onto the
    middle of target's client area with the mouse and drops them there once
    the target has taken them (when taken) or after a second of its silence;
    returns what the drop became for the source: "copy", "move" or "none".
    With vanish, the source is killed over the target instead, as a program
    that crashes mid-drag, and the last answer it had is returned."""
    tool = os.path.join(s.build_dir, "tests", "e2e", "kiritori_drag_source")
    env = dict(os.environ, DISPLAY=s.display, QT_QPA_PLATFORM="xcb")
    source = subprocess.Popen([tool, *uris], env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    said = []  # the source's lines, as (what, action)

    def listen(seconds):
        ready, _, _ = select.select([source.stdout], [], [], seconds)
        if ready:
            said.extend(tuple(line.split()) for line in os.read(source.stdout.fileno(), 4096).decode().splitlines())

    def last(what):
        answers = [action for said_what, action in said if said_what == what]
        return answers[-1] if answers else None

    try:
        def shown():
            found = s.tool("xdotool", "search", "--onlyvisible", "--pid", str(source.pid), ok=False).stdout.split()
            return found[0] if found else None
        wid = wait_for("the drag source", shown, 10)
        # Away from the windows of the program under test.
        s.xdotool("windowmove", "--sync", wid, str(SCREEN[0] - 100), str(SCREEN[1] - 100))
        s.xdotool("mousemove", str(SCREEN[0] - 70), str(SCREEN[1] - 70))
        s.xdotool("mousedown", "1")
        start = (SCREEN[0] - 70, SCREEN[1] - 70)
        end = (target.x + target.width // 2, target.y + s.menu_bar + 40)
        for step in range(1, 11):
            x = start[0] + (end[0] - start[0]) * step // 10
            y = start[1] + (end[1] - start[1]) * step // 10
            s.xdotool("mousemove", str(x), str(y))
            time.sleep(0.05)
        # The target answers each position in its own time, slowly under the
        # sanitizers; a refusal changes nothing the source can report.
        until = time.monotonic() + (10 if taken else 1)
        while time.monotonic() < until and not (taken and last("over") == "copy"):
            listen(0.2)
            s.xdotool("mousemove_relative", "--", "1", "0")
        if vanish:
            source.kill()
            source.wait(5)
            s.xdotool("mouseup", "1")
            # The next source starts once the program has handled all this one
            # sent; the key the barrier sends shows the selection again.
            s.settle(target)
            return last("over")
        s.xdotool("mouseup", "1")
        until = time.monotonic() + 10
        while last("took") is None and time.monotonic() < until:
            listen(0.5)
        check(last("took") is not None, f"the drag source did not finish its drag: {said}")
        source.wait(15)
        return last("took")
    finally:
        source.terminate()
        source.wait(5)


if __name__ == "__main__":
    sys.exit(run(road))
