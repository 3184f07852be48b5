"""Drives the installed kiritori in its own Xvfb with xdotool, as a user would.

Everything the program is asked to do goes through the mouse and the keyboard
(menus by their access keys, dialogs by typing a path); everything checked is
something the program produced: windows, files, the clipboard, its exit code.
"""

import contextlib
import ctypes
import io
import os
import re
import random
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from PIL import Image

MAIN_CAPTION_END = ", v.02"
CUT_CAPTION = "切り取り結果"
# The main window's client area below its menu bar before any picture.
START_CLIENT = (362, 264)
STATUS_BAR_HEIGHT = 19
SCREEN = (1280, 1024)


class CheckFailed(Exception):
    pass


def check(condition, message):
    if not condition:
        raise CheckFailed(message)


def wait_for(what, probe, timeout=10.0, interval=0.05):
    """Polls probe until it returns something true; returns that or fails."""
    until = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > until:
            raise CheckFailed(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def _die_with_parent():
    # Xvfb and the program must not outlive the test, whichever way it ends
    # (a CTest timeout kills the runner without a chance to clean up).
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


class Window:
    def __init__(self, wid, name, x, y, width, height):
        self.id, self.name = wid, name
        self.x, self.y, self.width, self.height = x, y, width, height

    @property
    def size(self):
        return (self.width, self.height)

    def __repr__(self):
        return f"<window {self.id} {self.name!r} {self.width}x{self.height}+{self.x}+{self.y}>"


class Session:
    """One X server and one run of the program in it."""

    def __init__(self, build_dir, out_dir, cmake="cmake"):
        self.build_dir = build_dir
        self.out_dir = out_dir
        self.cmake = cmake
        # A program built under the sanitizers keeps shadow memory and freed
        # blocks in quarantine: its resident memory says nothing of ours.
        self.sanitized = "KIRITORI_SANITIZE:BOOL=ON" in open(os.path.join(build_dir, "CMakeCache.txt")).read()
        self.tmp = tempfile.mkdtemp(prefix="kiritori-e2e-")
        self.xvfb = None
        self.window_manager = None
        self.program = None
        self.display = None
        self.menu_bar = None
        self.installed = None
        self.runs = 0
        self.steps = []
        os.makedirs(out_dir, exist_ok=True)
        for old in os.listdir(out_dir):
            if old.endswith(".png"):
                os.remove(os.path.join(out_dir, old))

    # --- life cycle -------------------------------------------------------

    def __enter__(self):
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
        return self

    def __exit__(self, *exc):
        self._stop()
        shutil.rmtree(self.tmp, ignore_errors=True)
        return False

    @staticmethod
    def _end(proc):
        if proc is not None and proc.poll() is None:
            proc.terminate()
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()

    def _stop_program(self):
        self._end(self.program)
        self.program = None

    def _stop(self):
        # Xvfb ended by SIGTERM removes its socket and lock; killed, it would
        # leave them for the next server to trip over.
        self._stop_program()
        self._end(self.window_manager)
        self.window_manager = None
        self._end(self.xvfb)
        self.xvfb = None
        if getattr(self, "log", None):
            self.log.close()

    def path(self, name):
        return os.path.join(self.tmp, name)

    def start_server(self):
        # A display number of its own, away from :0 and the low numbers that a
        # desktop or other servers on a shared machine take first.
        wanted = random.randrange(100, 60000)
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", f":{wanted}", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(self.out_dir, "xvfb.log"), "w"),
            preexec_fn=_die_with_parent)
        os.close(write_end)
        number = b""
        until = time.monotonic() + 15
        while not number.endswith(b"\n") and time.monotonic() < until:
            ready, _, _ = select.select([read_end], [], [], 0.2)
            if ready:
                chunk = os.read(read_end, 64)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        check(number.strip().isdigit(), "Xvfb did not report a display")
        self.display = ":" + number.decode().strip()
        # A program started the moment the number came failed now and then to
        # connect. The server is asked first; it does not reset when this
        # first client leaves (-noreset), so asking costs the program nothing.
        wait_for(f"Xvfb on {self.display} to answer",
                 lambda: self.tool("xdotool", "getmouselocation", ok=False).returncode == 0, 10)

    def install(self):
        prefix = self.path("prefix")
        result = subprocess.run([self.cmake, "--install", self.build_dir, "--prefix", prefix],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        check(result.returncode == 0, "installing failed (it takes what every target of the build made, "
                                      "not only the program's):\n" + result.stdout)
        program = os.path.join(prefix, "bin", "kiritori")
        check(os.access(program, os.X_OK), f"no installed program at {program}")
        return program

    def start_program(self, program, env=None, args=()):
        home = self.path("home")
        runtime_dir = self.path("runtime")
        os.makedirs(home, exist_ok=True)
        os.makedirs(runtime_dir, mode=0o700, exist_ok=True)
        env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb", HOME=home,
                   XDG_CONFIG_HOME=os.path.join(home, ".config"), XDG_RUNTIME_DIR=runtime_dir, **(env or {}))
        # A later run of the program in the same session adds to the log.
        if getattr(self, "log", None):
            self.log.close()
        self.log = open(os.path.join(self.out_dir, "program.log"), "a" if self.runs else "w")
        self.runs += 1
        self.program = subprocess.Popen([program, *args], env=env, stdout=self.log, stderr=subprocess.STDOUT,
                                        preexec_fn=_die_with_parent, cwd=home)
        def shown():
            self.check_alive()
            return self.find(caption_end=MAIN_CAPTION_END)
        return wait_for("the main window", shown, 20)

    def start_window_manager(self):
        """Starts openbox in the server, as a desktop has a window manager
        that frames, places and activates windows, and returns once it
        manages the screen."""
        check(shutil.which("openbox") is not None, "needs openbox (scripts/install-deps.sh installs it)")
        os.makedirs(self.path("home"), exist_ok=True)
        self.window_manager = subprocess.Popen(
            ["openbox", "--sm-disable"], env=dict(self._env(), HOME=self.path("home")),
            stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.out_dir, "openbox.log"), "w"),
            preexec_fn=_die_with_parent)
        wait_for("openbox to manage the screen",
                 lambda: self.tool("xdotool", "get_num_desktops", ok=False).returncode == 0, 10)

    def start(self, env=None, args=(), window_manager=False):
        """Installs the program, starts a server (with openbox in it when
        window_manager) and the program in it (with env added to its
        environment and args as its arguments), and returns the main window.

        A second attempt covers a program that could not reach its server,
        seen now and then while other servers start on a shared machine.
        """
        program = self.installed = self.install()
        for attempt in (1, 2):
            try:
                self.start_server()
                if window_manager:
                    self.start_window_manager()
                return self.start_program(program, env, args)
            except CheckFailed as error:
                server = "running" if self.xvfb and self.xvfb.poll() is None else "ended"
                reachable = self.xvfb and self.tool("xdotool", "getmouselocation", ok=False).returncode == 0
                print(f"starting failed ({error}); Xvfb on {self.display} {server}, "
                      f"{'reachable' if reachable else 'unreachable'}", flush=True)
                if attempt == 2:
                    raise
                self._stop()

    def start_again(self, env=None, args=()):
        """Starts the installed program once more in the same server, after
        the last run ended; returns its main window."""
        check(not self.alive(), "the program still runs")
        return self.start_program(self.installed, env, args)

    def alive(self):
        return self.program is not None and self.program.poll() is None

    def check_alive(self):
        check(self.alive(), f"the program ended (exit status {self.program.poll()})")

    # --- steps and screenshots -----------------------------------------

    @contextlib.contextmanager
    def step(self, name):
        print(f"--- {name}", flush=True)
        started = time.monotonic()
        try:
            yield
        except Exception as error:
            slug = re.sub(r"[^a-z0-9]+", "-", name.split(":")[0].lower()).strip("-")
            shot = self.screenshot(f"{len(self.steps) + 1:02d}-{slug}")
            print(f"FAILED: {name}: {error}", flush=True)
            print(f"  screen at failure: {shot}", flush=True)
            print(f"  program output: {os.path.join(self.out_dir, 'program.log')}", flush=True)
            raise
        self.steps.append(name)
        print(f"    ok, {time.monotonic() - started:.1f} s", flush=True)

    def screenshot(self, name, window="root", to=None):
        to = to or os.path.join(self.out_dir, f"{name}.png")
        subprocess.run(["import", "-window", str(window), to], env=self._env(),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=20)
        return to

    def capture(self, window="root"):
        """What the whole screen ("root") or a window shows, as an RGB picture."""
        screen = isinstance(window, str)
        result = self.tool("import", "-window", window if screen else window.id, "png:-", binary=True, ok=False,
                           timeout=20)
        check(result.returncode == 0 and result.stdout, f"cannot capture {'the screen' if screen else window}")
        return Image.open(io.BytesIO(result.stdout)).convert("RGB")

    def shown_pixels(self, window, size, at=(0, 0)):
        """What the window shows at a place of its client area."""
        shown = self.capture(window)
        left, top = at[0], self.menu_bar + at[1]
        return shown.crop((left, top, left + size[0], top + size[1]))

    def expect_shown(self, what, window, expected, compare, at=(0, 0)):
        """Waits until the window shows the expected picture at a place of its
        client area.

        window is a function returning the window; compare(what, got, want)
        raises CheckFailed on a difference. A window just uncovered by a
        dialog or menu repaints a moment later, so capture until it matches.
        """
        until = time.monotonic() + 5
        while True:
            try:
                return compare(what, self.shown_pixels(window(), expected.size, at), expected)
            except CheckFailed:
                if time.monotonic() > until:
                    raise
            time.sleep(0.1)

    # --- X tools --------------------------------------------------------

    def _env(self):
        return dict(os.environ, DISPLAY=self.display)

    def tool(self, *args, timeout=10, ok=True, binary=False):
        result = subprocess.run(list(args), env=self._env(), stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=timeout, text=not binary)
        if ok and result.returncode != 0:
            raise CheckFailed(f"{' '.join(args)} failed: {result.stderr}")
        return result

    def xdotool(self, *args, ok=True):
        return self.tool("xdotool", *args, ok=ok).stdout

    def windows(self):
        """The program's visible top-level windows, menus and dialogs included."""
        if not self.alive():
            return []
        found = self.xdotool("search", "--onlyvisible", "--pid", str(self.program.pid), ok=False)
        result = []
        for wid in found.split():
            name = self.tool("xdotool", "getwindowname", wid, ok=False).stdout.rstrip("\n")
            geometry = self.tool("xdotool", "getwindowgeometry", "--shell", wid, ok=False).stdout
            values = dict(line.split("=", 1) for line in geometry.split() if "=" in line)
            if "WIDTH" not in values:
                continue  # went away between the two calls
            result.append(Window(wid, name, int(values["X"]), int(values["Y"]),
                                 int(values["WIDTH"]), int(values["HEIGHT"])))
        return result

    def find(self, caption=None, caption_end=None, wid=None):
        for window in self.windows():
            if (caption is not None and window.name == caption) or \
               (caption_end is not None and window.name.endswith(caption_end)) or \
               (wid is not None and window.id == wid):
                return window
        return None

    def current(self, window):
        """The window as it is now (place and size); fails when it is gone."""
        self.check_alive()
        now = self.find(wid=window.id)
        check(now is not None, f"the window {window.name!r} is gone")
        return now

    def focus(self, window):
        self.xdotool("windowfocus", "--sync", window.id)

    def key(self, *keys):
        self.xdotool("key", "--delay", "30", *keys)

    def type_text(self, text):
        self.xdotool("type", "--delay", "8", text)

    # --- menus and dialogs ----------------------------------------------

    def menu(self, window, access, item):
        """Chooses a menu item by its access keys: Alt+access, then item."""
        self.check_alive()
        self.focus(window)
        before = {w.id for w in self.windows()}
        self.key(f"alt+{access}")
        popup = wait_for(f"the menu of Alt+{access.upper()}",
                         lambda: [w for w in self.windows() if w.id not in before], 5)
        self.key(item)
        wait_for("the menu to close", lambda: not any(w.id == popup[0].id for w in self.windows()), 5)

    def settle(self, window):
        """Returns once the program has handled everything sent before.

        A menu can only open once the program's event loop has caught up, so
        opening and closing one is a barrier. Two Escapes: the first closes the
        menu, the second leaves the menu bar's keyboard mode.
        """
        for attempt in (1, 2):
            self.focus(window)
            before = {w.id for w in self.windows()}
            self.key("alt+f")
            try:
                popup = wait_for("the file menu", lambda: [w for w in self.windows() if w.id not in before], 10)
                break
            except CheckFailed:
                # Seen once under the sanitizers on a loaded machine: the key
                # reached no window. The barrier asks again; a program that
                # does not answer fails the second time.
                if attempt == 2:
                    raise
                print("the file menu did not open; asking once more", flush=True)
                self.key("Escape", "Escape")
        self.key("Escape", "Escape")
        wait_for("the file menu to close", lambda: not any(w.id == popup[0].id for w in self.windows()), 5)

    def _dialog(self, known):
        # The file dialog is a new top-level window, far larger than any menu
        # or completion list that may be open beside it.
        for window in self.windows():
            if window.id not in known and window.width >= 300 and window.height >= 200:
                return window
        return None

    def file_dialog(self, window, access, item, path):
        """Runs a file dialog from a menu, types a full path and confirms it;
        without a path, cancels the dialog with Escape."""
        known = {w.id for w in self.windows()}
        self.menu(window, access, item)
        dialog = wait_for("the file dialog", lambda: self._dialog(known), 10)
        self.focus(dialog)
        if path is None:
            self.key("Escape")
            wait_for("the dialog to close", lambda: self.find(wid=dialog.id) is None, 5)
            return
        # The name box starts with the focus, and may hold the last name.
        self.key("ctrl+a")
        self.type_text(path)
        self.key("Return")
        gone = lambda: self.find(wid=dialog.id) is None
        try:
            wait_for("the dialog to close", gone, 2)
        except CheckFailed:
            # A completion list open over the name box may take the first
            # Return for itself.
            if self.find(wid=dialog.id):
                self.focus(dialog)
                self.key("Return")
            wait_for("the dialog to close", gone, 8)

    def drag(self, window, start, end, via=()):
        """Drags with the left button between picture pixels of the main view,
        and returns where it ended in them (the pointer stays on the screen).

        The view's origin is the client area's, just below the menu bar.
        """
        def move(point):
            # Screen coordinates: points off the window may be negative
            # relative to it, which xdotool does not take.
            x = min(max(window.x + point[0], 0), SCREEN[0] - 1)
            y = min(max(window.y + self.menu_bar + point[1], 0), SCREEN[1] - 1)
            self.xdotool("mousemove", str(x), str(y))
            time.sleep(0.03)
            return x - window.x, y - window.y - self.menu_bar

        move(start)
        self.xdotool("mousedown", "1")
        for point in via:
            move(point)
        ended = move(end)
        self.xdotool("mouseup", "1")
        return ended

    def clipboard_png(self):
        result = self.tool("xclip", "-selection", "clipboard", "-t", "image/png", "-o",
                           ok=False, binary=True, timeout=5)
        return result.stdout if result.returncode == 0 else b""

    def close_program(self, main):
        self.menu(main, "f", "c")
        try:
            code = self.program.wait(15)
        except subprocess.TimeoutExpired:
            raise CheckFailed("the program did not end after Close")
        return code


def run(road):
    """Entry point of a road: python3 road_x.py BUILD_DIR OUT_DIR [CMAKE].

    With KIRITORI_E2E_DOCS set to a folder (the source tree's docs/), the road
    also writes the README's screenshots there.
    """
    import argparse
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("out_dir")
    parser.add_argument("cmake", nargs="?", default="cmake")
    args = parser.parse_args()
    for needed in ("Xvfb", "xdotool", "xclip", "import"):
        if shutil.which(needed) is None:
            print(f"needs {needed} (scripts/install-deps.sh installs it)")
            return 1
    started = time.monotonic()
    with Session(os.path.abspath(args.build_dir), os.path.abspath(args.out_dir), args.cmake) as session:
        session.docs = os.environ.get("KIRITORI_E2E_DOCS") or None
        try:
            road(session)
        except Exception:
            print(f"passed before the failure: {', '.join(session.steps) or 'nothing'}")
            raise
    print(f"all {len(session.steps)} steps passed in {time.monotonic() - started:.1f} s")
    return 0
