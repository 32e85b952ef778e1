#!/usr/bin/env bash
# Installs what is needed, builds the test configuration, starts the database servers
# the tests use, runs every test and stops the servers again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" test
if [ -x "$root/scripts/services.sh" ]; then
  "$root/scripts/services.sh" start "$root/build-test/services"
  trap '"$root/scripts/services.sh" stop "$root/build-test/services"' EXIT
  # Tests find the servers through the variables this file sets.
  set -a; . "$root/build-test/services/env"; set +a
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
cd "$root/build-test"
ctest --output-on-failure --no-tests=error -j "$(nproc)" --timeout 600
# QUILLET_FUZZ_SECONDS=N also runs each fuzz target for N seconds on its seed corpus.
if [ "${QUILLET_FUZZ_SECONDS:-0}" != 0 ] && command -v clang++ >/dev/null; then
  "$root/scripts/fuzz.sh" "${QUILLET_FUZZ_SECONDS:-0}"
fi
