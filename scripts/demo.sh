#!/usr/bin/env bash
# Builds what the demo runs (the quarn executable and the hello-world PowerPC program, nothing
# else: scripts/build.sh builds everything) and runs the simulator on a start-up script from
# examples/. Without an argument it runs the statically linked hello-world program
# (examples/hello_standalone.tcl) when the cross compiler built it, else examples/hello.tcl.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QUARN_BUILD_DIR:-$top/build}
if [ ! -f "$build/build.ninja" ]; then
  "$top/scripts/setup.sh"
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
targets=(quarn)
# The guest program's target exists only when a PowerPC cross compiler was found.
if ninja -C "$build" -t query guest_hello_glibc_be64 >/dev/null 2>&1; then
  targets+=(guest_hello_glibc_be64)
fi
cmake --build "$build" --target "${targets[@]}"
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
