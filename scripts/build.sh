#!/usr/bin/env bash
# Configures and builds one configuration: "release" (optimised program) or "test"
# (sanitizers, warnings as errors, tests and benchmarks).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-release}
# QUILLET_JOBS limits the parallel compiles (several work trees building at once).
jobs=${QUILLET_JOBS:-$(nproc)}
case "$kind" in
  release)
    dir="$root/build-release"
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DQUILLET_TESTS=OFF -DQUILLET_BENCH=ON >/dev/null
    ;;
  test)
    dir="$root/build-test"
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g" \
      -DQUILLET_SANITIZE=ON -DQUILLET_WERROR=ON -DQUILLET_TESTS=ON -DQUILLET_BENCH=OFF >/dev/null
    ;;
  *) echo "usage: $0 release|test" >&2; exit 2 ;;
esac
cmake --build "$dir" -j "$jobs" "${@:2}"
