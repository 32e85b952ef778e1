#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang and runs each for a while on a copy of its
# seed corpus (fuzz/corpus/<target>/). Usage: scripts/fuzz.sh [SECONDS per target, default 20]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
dir="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLET_FUZZ=ON -DQUILLET_TESTS=OFF -DQUILLET_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target $(cd "$root/fuzz" && ls *.cpp | sed 's/^/fuzz_/; s/\.cpp$//')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for src in "$root"/fuzz/*.cpp; do
  name=$(basename "$src" .cpp)
  mkdir -p "$work/$name"
  if [ -d "$root/fuzz/corpus/$name" ]; then cp -r "$root/fuzz/corpus/$name/." "$work/$name/"; fi
  echo "fuzzing $name for ${seconds}s"
  ASAN_OPTIONS=detect_leaks=0 "$dir/fuzz_$name" -seed=1 -max_total_time="$seconds" -max_len=65536 \
    -artifact_prefix="$work/" "$work/$name" 2>"$work/$name.log" || {
    tail -40 "$work/$name.log"
    mkdir -p "$root/build-fuzz/crashes"
    cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$root/build-fuzz/crashes/" 2>/dev/null || true
    echo "fuzz target $name failed; inputs kept in build-fuzz/crashes" >&2
    exit 1
  }
done
