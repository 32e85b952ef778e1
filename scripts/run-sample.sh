#!/usr/bin/env bash
# Installs what is needed, builds the optimised program and runs its main job.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" release --target brindlewood
bin="$root/build-release/brindlewood"
"$bin" --version
"$bin" --help
