#!/usr/bin/env bash
# Builds quarn if needed and runs the simulator on a start-up script from examples/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QUARN_BUILD_DIR:-$top/build}
if [ ! -x "$build/quarn" ]; then
  "$top/scripts/setup.sh"
  "$top/scripts/build.sh"
fi
script=${1:-$top/examples/hello.tcl}
cd "$(dirname "$script")"
exec "$build/quarn" -n -f "$(basename "$script")" </dev/null
