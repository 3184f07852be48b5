#!/bin/sh
# Builds fuzz_jpeg with clang-14 into build-fuzz/ and fuzzes JPEG loading,
# decoding and re-encoding, starting from seeds made with cjpeg (baseline,
# progressive, grey, restart markers, a portrait photo's Exif block). Usage: fuzz/run_jpeg.sh [seconds] (60).
# Inputs that fail are written as crash-*/leak-*/timeout-* files in the
# current folder; run `build-fuzz/fuzz_jpeg FILE` to replay one.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j2 --target fuzz_jpeg
seeds="$build/seeds-jpeg"
mkdir -p "$seeds" "$build/corpus-jpeg"
# A 24 x 16 colour gradient as the seeds' pixels.
/usr/bin/python3 - "$seeds/seed.ppm" <<'PY'
import sys
w, h = 24, 16
with open(sys.argv[1], "wb") as f:
    f.write(b"P6 %d %d 255\n" % (w, h))
    f.write(bytes(v for y in range(h) for x in range(w) for v in (x * 10, y * 15, (x + y) * 6)))
PY
cjpeg -quality 75 "$seeds/seed.ppm" > "$seeds/baseline.jpg"
cjpeg -progressive "$seeds/seed.ppm" > "$seeds/progressive.jpg"
cjpeg -grayscale "$seeds/seed.ppm" > "$seeds/grey.jpg"
cjpeg -restart 1 -sample 1x1 "$seeds/seed.ppm" > "$seeds/restart444.jpg"
rm "$seeds/seed.ppm"
# The baseline seed as a phone writes a portrait photo: orientation 6, big-endian.
/usr/bin/python3 - "$seeds/baseline.jpg" "$seeds/portrait.jpg" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
tiff = b"MM" + struct.pack(">HIH", 42, 8, 1) + struct.pack(">HHIHH", 0x0112, 3, 1, 6, 0) + struct.pack(">I", 0)
payload = b"Exif\0\0" + tiff
open(sys.argv[2], "wb").write(data[:2] + b"\xff\xe1" + struct.pack(">H", len(payload) + 2) + payload + data[2:])
PY
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
exec "$build/fuzz_jpeg" -max_total_time="${1:-60}" -max_len=8192 -rss_limit_mb=4096 \
  "$build/corpus-jpeg" "$seeds"
