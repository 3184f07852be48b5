#!/bin/sh
# Builds fuzz_bmp with clang-14 into build-fuzz/ and fuzzes the BMP reader,
# starting from a fresh seed corpus. Usage: fuzz/run_bmp.sh [seconds] (60).
# Inputs that fail are written as crash-*/leak-*/timeout-* files in the
# current folder; run `build-fuzz/fuzz_bmp FILE` to replay one.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j2 --target fuzz_bmp
/usr/bin/python3 "$root/fuzz/make_bmp_seeds.py" "$build/seeds-bmp"
mkdir -p "$build/corpus-bmp"
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# A legal bitmap may claim up to 2 GB of (lazily zeroed) pixel memory.
exec "$build/fuzz_bmp" -max_total_time="${1:-60}" -max_len=4096 -rss_limit_mb=4096 -malloc_limit_mb=4096 \
  "$build/corpus-bmp" "$build/seeds-bmp"
