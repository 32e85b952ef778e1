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
# The fuzz targets run briefly on their seed corpora, from a fixed seed so that a run is
# repeatable (QUILLET_FUZZ_SECONDS=0 skips them).
if [ "${QUILLET_FUZZ_SECONDS:-10}" != 0 ] && command -v clang++ >/dev/null; then
  "$root/scripts/fuzz.sh" "${QUILLET_FUZZ_SECONDS:-10}"
fi
