#!/usr/bin/env bash
# Builds quarn if needed and runs the simulator on a start-up script from examples/. Without an
# argument it runs the statically linked hello-world PowerPC program (examples/hello_standalone.tcl)
# when the cross compiler built it, else examples/hello.tcl.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QUARN_BUILD_DIR:-$top/build}
if [ ! -x "$build/quarn" ]; then
  "$top/scripts/setup.sh"
  "$top/scripts/build.sh"
fi
script=${1:-}
if [ -z "$script" ]; then
  program=$build/tests/guest/hello_glibc_be64
  if [ -f "$program" ]; then
    export QUARN_PROGRAM=$program
    script=$top/examples/hello_standalone.tcl
  else
    script=$top/examples/hello.tcl
  fi
fi
cd "$(dirname "$script")"
exec "$build/quarn" -n -f "$(basename "$script")" </dev/null
