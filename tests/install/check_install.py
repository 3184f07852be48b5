"""Installs a build into a temporary prefix and checks the installed files.

Arguments: the cmake program, the build folder, and the icon's source file,
whose palette and rows are the pixels every icon size must show.
"""
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile

try:
    from PIL import Image
except ImportError:
    print("PIL (python3-pil) is not installed")
    sys.exit(77)

SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
METAINFO = "io.github.kiritori.kiritori.metainfo.xml"


def finish(failures):
    """Prints each failure and ends the check with its verdict."""
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


def icon_pixels(source):
    """The 32 x 32 icon as rows of RGBA tuples, read from its source file."""
    text = open(source, encoding="utf-8").read()
    palette_text = text[text.index("kMainIconPalette"):text.index("kMainIconRows")]
    palette = [int(value, 16) for value in re.findall(r"0x([0-9A-Fa-f]{6})", palette_text)]
    rows = re.findall(r'"([0-9A-F.]{32})"', text[text.index("kMainIconRows"):])
    assert len(palette) == 16 and len(rows) == 32, "unexpected icon source layout"

    def rgba(digit):
        if digit == ".":
            return (0, 0, 0, 0)
        c = palette[int(digit, 16)]
        return (c >> 16, (c >> 8) & 0xFF, c & 0xFF, 255)

    return [[rgba(d) for d in row] for row in rows]


def pixel(image, x, y):
    """A pixel as RGBA, any transparent one as (0, 0, 0, 0)."""
    p = image.getpixel((x, y))
    return p if p[3] else (0, 0, 0, 0)


def check_icon(path, size, icon, failures):
    image = Image.open(path)
    image.load()
    if image.size != (size, size):
        failures.append(f"{path}: size {image.size}")
        return
    image = image.convert("RGBA")
    colours = {p for row in icon for p in row}
    if size >= 32 and size % 32 == 0:
        # Whole multiples repeat every pixel exactly.
        k = size // 32
        wrong = [(x, y) for y in range(size) for x in range(size) if pixel(image, x, y) != icon[y // k][x // k]]
        if wrong:
            failures.append(f"{path}: {len(wrong)} pixels differ from the icon, first at {wrong[0]}")
    else:
        # Other sizes drop or repeat pixels: only the icon's own colours, and
        # the frame still on all four sides.
        seen = {pixel(image, x, y) for y in range(size) for x in range(size)}
        if not seen <= colours:
            failures.append(f"{path}: colours not in the icon: {sorted(seen - colours)[:3]}")
        frame = icon[3][1]
        middle = size // 2
        edges = [[pixel(image, x, middle) for x in range(size)], [pixel(image, middle, y) for y in range(size)]]
        for line in edges:
            if line.count(frame) < 2:
                failures.append(f"{path}: the frame is lost on a side")


def main():
    cmake, build_dir, icon_source = sys.argv[1:4]
    icon = icon_pixels(icon_source)
    prefix = tempfile.mkdtemp(prefix="kiritori-install-")
    failures = []
    try:
        subprocess.run([cmake, "--install", build_dir, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
        program = os.path.join(prefix, "bin", "kiritori")
        if not os.access(program, os.X_OK):
            failures.append("bin/kiritori is missing or not executable")

        desktop = os.path.join(prefix, "share", "applications", "kiritori.desktop")
        if not os.path.isfile(desktop):
            failures.append("share/applications/kiritori.desktop is missing")
        else:
            entry = open(desktop, encoding="utf-8").read().splitlines()
            for line in ["[Desktop Entry]", "Type=Application", "Name=kiritori", "Name[ja]=切り取り",
                         "Exec=kiritori %f", "Icon=kiritori",
                         "MimeType=image/jpeg;image/bmp;image/x-bmp;image/x-ms-bmp;"]:
                if line not in entry:
                    failures.append(f"kiritori.desktop lacks {line}")
            validator = shutil.which("desktop-file-validate")
            if validator:
                result = subprocess.run([validator, desktop], capture_output=True, text=True)
                if result.returncode != 0:
                    failures.append("desktop-file-validate: " + result.stdout + result.stderr)

        metainfo = os.path.join(prefix, "share", "metainfo", METAINFO)
        if not os.path.isfile(metainfo):
            failures.append(f"share/metainfo/{METAINFO} is missing")
        else:
            validator = shutil.which("appstreamcli")
            if validator:
                result = subprocess.run([validator, "validate", "--no-net", metainfo], capture_output=True, text=True)
                if result.returncode != 0:
                    failures.append("appstreamcli validate: " + result.stdout + result.stderr)

        manual = os.path.join(prefix, "share", "man", "man1", "kiritori.1.gz")
        if not os.path.isfile(manual):
            failures.append("share/man/man1/kiritori.1.gz is missing")
        else:
            text = gzip.open(manual, "rt", encoding="utf-8").read()
            for section in ["SYNOPSIS", "OPTIONS", "USAGE", "FILES", "EXIT STATUS"]:
                if f".SH {section}" not in text:
                    failures.append(f"kiritori.1 has no section {section}")

        for size in SIZES:
            path = os.path.join(prefix, "share", "icons", "hicolor", f"{size}x{size}", "apps", "kiritori.png")
            if not os.path.isfile(path):
                failures.append(f"{path} is missing")
            else:
                check_icon(path, size, icon, failures)
    finally:
        shutil.rmtree(prefix, ignore_errors=True)
    finish(failures)


if __name__ == "__main__":
    main()
