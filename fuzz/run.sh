#!/bin/sh
# Builds the fuzz targets with clang-14 into build-fuzz/, makes their seed
# corpora, and fuzzes each named target (all three when none is named) for the
# given number of seconds, one after the other, within 1 GB.
# Usage: fuzz/run.sh SECONDS [bmp|jpeg|data ...]
# Inputs the fuzzer finds are kept in build-fuzz/corpus-TARGET/; an input that
# fails is written as build-fuzz/findings/TARGET-crash-* (or -leak-*,
# -timeout-*, -oom-*); replay it with `build-fuzz/fuzz_TARGET FILE`.
set -eu
seconds=${1:?usage: fuzz/run.sh SECONDS [bmp|jpeg|data ...]}
shift
[ $# -gt 0 ] || set -- bmp jpeg data
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
for target; do targets="${targets:-} fuzz_$target"; done
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets
/usr/bin/python3 "$root/fuzz/make_seeds.py" "$build/seeds"
mkdir -p "$build/findings"
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
status=0
for target; do
  mkdir -p "$build/corpus-$target"
  echo "== fuzz_$target for $seconds s"
  # The targets set the memory the layers may use themselves (512 MB), so the
  # same binary behaves the same when the fuzzer replays a finding. A legal
  # picture of 64 MB, decoded three times under the sanitizers, takes about a
  # second alone and several on a machine that builds at the same time.
  "$build/fuzz_$target" -max_total_time="$seconds" -max_len=8192 -timeout=30 \
    -rss_limit_mb=1024 -malloc_limit_mb=1024 -artifact_prefix="$build/findings/$target-" \
    "$build/corpus-$target" "$build/seeds/$target" || status=1
done
exit $status
