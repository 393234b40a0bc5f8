#!/usr/bin/env bash
# Sets up the machine, builds quarn and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
build=${QUARN_BUILD_DIR:-$top/build}
jobs=$(nproc 2>/dev/null || echo 2)
cd "$build"
ctest --output-on-failure -j "$jobs"
