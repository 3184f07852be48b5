"""Pictures the roads open, and the comparisons of what the program wrote."""

import io
import math
import shutil
import struct
import subprocess

from PIL import Image, ImageChops, ImageStat

from harness import CheckFailed, check, wait_for


def coordinate_bmp(path, width, height):
    """A 24-bit BMP whose every pixel differs from its neighbours in a known
    way, so a piece shifted or cut by one pixel shows. A width that is not a
    multiple of four also gives the rows padding."""
    # Built a row at a time from byte tables: a panorama has millions of pixels.
    low = bytes(x & 0xFF for x in range(width))
    sevens = bytes((x * 7) & 0xFF for x in range(width))
    data = bytearray(3 * width * height)
    for y in range(height):
        start = 3 * width * y
        data[start:start + 3 * width:3] = low
        data[start + 1:start + 3 * width:3] = bytes([y & 0xFF]) * width
        data[start + 2:start + 3 * width:3] = sevens.translate(bytes((v + y * 13) & 0xFF for v in range(256)))
    picture = Image.frombytes("RGB", (width, height), bytes(data))
    picture.save(path, "BMP")
    return picture


def smooth_jpeg(path, width, height):
    """A JPEG of gentle gradients and soft rings: re-encoding it loses little,
    so a mean difference can tell a right piece from a wrong one."""
    picture = Image.new("RGB", (width, height))
    cx, cy = width * 0.62, height * 0.45
    pixels = []
    for y in range(height):
        for x in range(width):
            ring = math.cos(math.hypot(x - cx, y - cy) / 18.0)
            pixels.append((int(40 + 180 * x / width), int(60 + 150 * y / height), int(150 + 90 * ring)))
    picture.putdata(pixels)
    picture.save(path, "JPEG", quality=92)
    # What a decoder makes of it is the reference, not what went in.
    return Image.open(path).convert("RGB")


def truncated_in_header_jpeg(source, path):
    """A JPEG cut inside its frame header: no picture can come of it. (Data
    cut inside the scan still decodes, the missing rows left as they are.)"""
    data = open(source, "rb").read()
    frame = data.find(b"\xff\xc0")
    check(frame > 0, "the source JPEG has no baseline frame header")
    open(path, "wb").write(data[:frame + 6])


def truncated_in_scan_jpeg(source, path):
    data = open(source, "rb").read()
    scan = data.find(b"\xff\xda")
    open(path, "wb").write(data[:scan + (len(data) - scan) // 3])


def lying_bmp_size(path):
    """Headers that claim a 60000 x 60000 picture over 16 bytes of pixels."""
    open(path, "wb").write(_bmp(60000, 60000, 24, bytes(16)))


def lying_bmp_palette(path):
    """An 8-bit BMP that claims a colour table of 70000 entries."""
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + 64, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, 8, 8, 1, 8, 0, 64, 2835, 2835, 70000, 0)
    open(path, "wb").write(header + info + bytes(64))


def _bmp(width, height, bits, pixels, compression=0, colors=0):
    """A BMP header declaring width x height at bits per pixel, a grey colour
    table of `colors` entries, and the pixel bytes given."""
    table = b"".join(struct.pack("<BBBB", i, i, i, 0) for i in range(colors))
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, 0, 2835, 2835, colors, 0)
    return header + info + table + pixels


def _patched_jpeg(picture, width, height, **save):
    """A small JPEG of picture whose frame header claims width x height."""
    out = io.BytesIO()
    picture.save(out, "JPEG", **save)
    data = bytearray(out.getvalue())
    frame = max(data.find(b"\xff\xc0"), data.find(b"\xff\xc2"))
    data[frame + 5:frame + 9] = struct.pack(">HH", height, width)
    return bytes(data)


def _with_repeated_last_scan(data, copies):
    last = data.rfind(b"\xff\xda")
    return data[:-2] + data[last:-2] * copies + b"\xff\xd9"


def hostile_files():
    """Files under 64 KB that declare pictures of more than 100 megapixels,
    by name; none may cost more than its bytes can justify."""
    runs = b"\xff\x11" * 3000 + b"\x00\x01"
    grey = Image.new("L", (16, 16), 90)
    colour = Image.new("RGB", (16, 16), (90, 120, 200))
    files = {
        "declares-2-gb.bmp": _bmp(26754, 26754, 8, b"", colors=2),
        "declares-24-bit.bmp": _bmp(12000, 12000, 24, bytes(4000)),
        "declares-1-bit.bmp": _bmp(40000, 40000, 1, bytes(30000), colors=2),
        "declares-rle8.bmp": _bmp(12000, 12000, 8, runs, compression=1, colors=256),
        "declares-rle4.bmp": _bmp(20000, 20000, 4, runs, compression=2, colors=16),
        "declares-baseline.jpg": _patched_jpeg(colour, 26000, 26000),
        "declares-grey.jpg": _patched_jpeg(grey, 46000, 46000),
        "declares-400-scans.jpg": _with_repeated_last_scan(
            _patched_jpeg(colour, 12000, 12000, progressive=True), 390),
    }
    for name, data in files.items():
        check(len(data) < 64 * 1024, f"{name} holds {len(data)} bytes")
    return files


def honest_big_jpeg(path, width, height):
    """A complete baseline JPEG of width x height: smooth, so it is quick to
    make, but every block coded."""
    small = Image.linear_gradient("L").resize((width, height))
    Image.merge("RGB", (small, small.transpose(Image.Transpose.ROTATE_90), small)).save(path, "JPEG", quality=80)


def piece(picture, left, top, right, bottom):
    """The piece a selection copies: put in order, right and bottom exclusive."""
    left, right = sorted((left, right))
    top, bottom = sorted((top, bottom))
    return picture.crop((left, top, right, bottom))


def with_outline(picture, left, top, right, bottom):
    """The picture with a selection's outline inverted into it: columns left
    and right, rows top and bottom, each pixel once."""
    outlined = picture.copy()
    left, right = sorted((left, right))
    top, bottom = sorted((top, bottom))
    border = {(x, y) for x in range(left, right + 1) for y in (top, bottom)}
    border |= {(x, y) for y in range(top, bottom + 1) for x in (left, right)}
    for x, y in border:
        if 0 <= x < picture.width and 0 <= y < picture.height:
            outlined.putpixel((x, y), tuple(255 - c for c in picture.getpixel((x, y))))
    return outlined


def load(path_or_bytes):
    try:
        if isinstance(path_or_bytes, bytes):
            return Image.open(io.BytesIO(path_or_bytes)).convert("RGB")
        return Image.open(path_or_bytes).convert("RGB")
    except Exception as error:
        raise CheckFailed(f"not a picture PIL can read: {error}")


def djpeg_reference(path, out):
    """The pixels libjpeg's own decoder makes of a JPEG with the settings of a
    new JPEG image in the program (the floating-point inverse DCT, fancy
    upsampling, not turned), by way of a BMP at out."""
    check(shutil.which("djpeg") is not None, "needs djpeg (libjpeg-turbo-progs)")
    subprocess.run(["djpeg", "-dct", "float", "-bmp", "-outfile", out, path], check=True)
    return load(out)


def try_load(path):
    """The picture in a file, or None while it is missing or incomplete."""
    try:
        with Image.open(path) as picture:
            return picture.convert("RGB")
    except Exception:
        return None


def _first_marked(mask):
    """The first non-zero pixel of a mask in reading order, or None."""
    box = mask.getbbox()
    if box is None:
        return None
    y = box[1]
    for x in range(box[0], box[2]):
        value = mask.getpixel((x, y))
        if any(value) if isinstance(value, tuple) else value:
            return x, y
    return box[0], y


def first_difference(got, want):
    found = _first_marked(ImageChops.difference(got, want))
    if found is None:
        return None
    x, y = found
    return f"first differing pixel near ({x},{y}): got {got.getpixel((x, y))}, want {want.getpixel((x, y))}"


def check_exact(what, got, want):
    check(got.size == want.size, f"{what}: size {got.size}, want {want.size}")
    difference = first_difference(got, want)
    check(difference is None, f"{what}: {difference}")


def check_near(what, got, want, tolerance=8):
    """Every pixel within tolerance: two decoders of one JPEG may differ by a
    rounding step, an outline or a shifted piece differs by far more."""
    check(got.size == want.size, f"{what}: size {got.size}, want {want.size}")
    red, green, blue = ImageChops.difference(got, want).split()
    worst = ImageChops.lighter(ImageChops.lighter(red, green), blue)
    found = _first_marked(worst.point(lambda v: 255 if v > tolerance else 0))
    if found is not None:
        x, y = found
        raise CheckFailed(f"{what}: pixels differ by more than {tolerance} from ({x},{y}) on: "
                          f"got {got.getpixel((x, y))}, want {want.getpixel((x, y))}")


def mean_difference(got, want):
    return sum(ImageStat.Stat(ImageChops.difference(got, want)).mean) / 3


def check_close(what, got, want, limit):
    check(got.size == want.size, f"{what}: size {got.size}, want {want.size}")
    mean = mean_difference(got, want)
    check(mean <= limit, f"{what}: mean difference {mean:.2f} per channel, allowed {limit}")


def clipboard_picture(session, size, timeout=10):
    """The picture on the clipboard once it has the given size: the program
    may still be answering an older request."""
    def probe():
        data = session.clipboard_png()
        try:
            picture = load(data) if data else None
        except CheckFailed:
            return None
        return picture if picture is not None and picture.size == size else None
    return wait_for(f"a {size[0]} x {size[1]} picture on the clipboard", probe, timeout)


def bmp_bits_per_pixel(path):
    with open(path, "rb") as f:
        head = f.read(30)
    check(len(head) == 30 and head[:2] == b"BM", f"{path} is not a BMP file")
    return struct.unpack_from("<H", head, 28)[0]


def exif_block(orientation, big_endian=False, phone=False, damaged=False):
    """An APP1 segment with an Exif block whose first IFD holds the
    orientation as a SHORT. A phone's block names its maker and model before
    it and resolutions after it; a damaged one points its IFD past its end."""
    order = ">" if big_endian else "<"
    entries = [(0x0112, 3, 1, struct.pack(order + "HH", orientation, 0))]
    tail = b""
    if phone:
        data = 8 + 2 + 5 * 12 + 4
        tail = b"Phone\0Model 1\0" + struct.pack(order + "II", 72, 1)
        entries = [(0x010F, 2, 6, struct.pack(order + "I", data)),
                   (0x0110, 2, 8, struct.pack(order + "I", data + 6)),
                   entries[0],
                   (0x011A, 5, 1, struct.pack(order + "I", data + 14)),
                   (0x011B, 5, 1, struct.pack(order + "I", data + 14))]
    first_ifd = 4000 if damaged else 8
    tiff = (b"MM" if big_endian else b"II") + struct.pack(order + "HI", 42, first_ifd)
    tiff += struct.pack(order + "H", len(entries))
    tiff += b"".join(struct.pack(order + "HHI", tag, kind, count) + value for tag, kind, count, value in entries)
    tiff += struct.pack(order + "I", 0) + tail
    payload = b"Exif\0\0" + tiff
    return b"\xff\xe1" + struct.pack(">H", len(payload) + 2) + payload


def with_exif(source, path, block, drop_jfif=False):
    """The JPEG file source with block right after its SOI marker, and
    without its JFIF segment when a phone wrote it."""
    data = open(source, "rb").read()
    check(data[:2] == b"\xff\xd8", f"{source} is not a JPEG file")
    rest = data[2:]
    if drop_jfif and rest[:2] == b"\xff\xe0":
        rest = rest[2 + struct.unpack(">H", rest[2:4])[0]:]
    open(path, "wb").write(data[:2] + block + rest)


# How each orientation turns the stored picture upright.
UPRIGHT = {1: None, 2: Image.Transpose.FLIP_LEFT_RIGHT, 3: Image.Transpose.ROTATE_180,
           4: Image.Transpose.FLIP_TOP_BOTTOM, 5: Image.Transpose.TRANSPOSE, 6: Image.Transpose.ROTATE_270,
           7: Image.Transpose.TRANSVERSE, 8: Image.Transpose.ROTATE_90}


def upright(picture, orientation):
    turn = UPRIGHT[orientation]
    return picture.copy() if turn is None else picture.transpose(turn)
