#!/usr/bin/python3
"""Writes the small seed corpora of the fuzz targets. Usage: make_seeds.py DIR

DIR/bmp: one tiny BMP file of every kind the reader knows (each depth, masks,
core and long headers, top-down rows, a gap before the pixels, both run-length
codings). DIR/jpeg: JPEG files made with cjpeg (baseline, progressive, grey,
restart markers, 4:4:4) and a portrait photo's Exif block. DIR/data: "Data" properties of a bitmap, a JPEG image
and a picture holding either, and a whole property block (first byte: which).
"""
import os
import struct
import subprocess
import sys


def stride(width, bits):
    return (width * bits + 31) // 32 * 4


def bmp(width, height, bits, pixels, compression=0, colors=0, header=40, masks=(), gap=0, clr_used=0):
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
        table = b"".join(struct.pack("<BBB", i * 40 % 256, 255 - i, i * 7 % 256) for i in range(colors))
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression, len(pixels),
                           2835, 2835, clr_used, 0)
        mask_bytes = b"".join(struct.pack("<I", m) for m in masks)
        info = info + mask_bytes if header == 40 else (info + mask_bytes).ljust(header, b"\0")
        table = b"".join(struct.pack("<BBBB", i * 40 % 256, 255 - i, i * 7 % 256, 0) for i in range(colors))
    offset = 14 + len(info) + len(table) + gap
    return (struct.pack("<HIHHI", 0x4D42, offset + len(pixels), 0, 0, offset) + info + table +
            bytes(range(0xA0, 0xA0 + gap)) + pixels)


def rows(width, height, bits):
    return bytes((i * 37 + 11) % 256 for i in range(stride(width, bits) * height))


def bmp_seeds():
    return {
        "1bit": bmp(9, 3, 1, rows(9, 3, 1), colors=2),
        "4bit": bmp(5, 3, 4, rows(5, 3, 4), colors=16),
        "4bit-5colors": bmp(5, 3, 4, rows(5, 3, 4), colors=5, clr_used=5),
        "8bit": bmp(3, 2, 8, rows(3, 2, 8), colors=256),
        "16bit": bmp(3, 2, 16, rows(3, 2, 16)),
        "16bit-masks": bmp(3, 2, 16, rows(3, 2, 16), compression=3, masks=(0xF800, 0x07E0, 0x001F)),
        "24bit": bmp(3, 2, 24, rows(3, 2, 24)),
        "24bit-topdown": bmp(3, -2, 24, rows(3, 2, 24)),
        "24bit-gap": bmp(3, 2, 24, rows(3, 2, 24), gap=6),
        "32bit": bmp(2, 2, 32, rows(2, 2, 32)),
        "32bit-v5": bmp(2, 2, 32, rows(2, 2, 32), compression=3, header=124,
                        masks=(0xFF0000, 0xFF00, 0xFF)),
        "core-8bit": bmp(3, 2, 8, rows(3, 2, 8), colors=256, header=12),
        "rle8": bmp(6, 3, 8, bytes([4, 1, 2, 2, 0, 0, 0, 3, 3, 4, 5, 0, 3, 6, 0, 0, 0, 2, 1, 0, 6, 7, 0, 1]),
                    compression=1, colors=8, clr_used=8),
        "rle4": bmp(6, 2, 4, bytes([6, 0x12, 0, 0, 0, 4, 0x34, 0x56, 2, 0x77, 0, 1]), compression=2, colors=16),
    }


def jpeg_seeds():
    # A 24 x 16 colour gradient as the pixels.
    width, height = 24, 16
    ppm = b"P6 %d %d 255\n" % (width, height) + bytes(
        v for y in range(height) for x in range(width) for v in (x * 10, y * 15, (x + y) * 6))
    options = {"baseline": ["-quality", "75"], "progressive": ["-progressive"], "grey": ["-grayscale"],
               "restart444": ["-restart", "1", "-sample", "1x1"]}
    seeds = {name: subprocess.run(["cjpeg"] + extra, input=ppm, stdout=subprocess.PIPE, check=True).stdout
             for name, extra in options.items()}
    # The baseline seed as a phone writes a portrait photo: orientation 6, big-endian.
    tiff = b"MM" + struct.pack(">HIH", 42, 8, 1) + struct.pack(">HHIHH", 0x0112, 3, 1, 6, 0) + struct.pack(">I", 0)
    payload = b"Exif\0\0" + tiff
    baseline = seeds["baseline"]
    seeds["portrait"] = baseline[:2] + b"\xff\xe1" + struct.pack(">H", len(payload) + 2) + payload + baseline[2:]
    return seeds


def data_seeds(bmps, jpegs):
    def sized(data):
        return struct.pack("<i", len(data)) + data

    def named(name, data):
        return bytes([len(name)]) + name + sized(data)

    bitmap, jpeg = bmps["8bit"], jpegs["baseline"]
    return {
        "bitmap": b"\0" + sized(bitmap),
        "jpeg": b"\1" + sized(jpeg),
        "picture-bitmap": b"\2" + named(b"TBitmap", bitmap),
        "picture-jpeg": b"\2" + named(b"TJPEGImage", jpeg),
        "picture-none": b"\2\0",
        "block": b"\3" + named(b"Data", named(b"TBitmap", bmps["rle8"])) + b"\0",
    }


def main():
    out = sys.argv[1]
    bmps, jpegs = bmp_seeds(), jpeg_seeds()
    for kind, seeds, extension in (("bmp", bmps, ".bmp"), ("jpeg", jpegs, ".jpg"),
                                   ("data", data_seeds(bmps, jpegs), ".data")):
        os.makedirs(os.path.join(out, kind), exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(out, kind, name + extension), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
