#!/usr/bin/env bash
# Runs the compute-bound guest program in SIMPLE and TURBO mode and prints the simulated instructions per host
# second of each, side by side. Usage: bench/guest_ips.sh [program]; the default is
# the compute program that the build makes in build/tests/guest when a cross compiler exists.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QUARN_BUILD_DIR:-$top/build}
program=$(realpath -m "${1:-$build/tests/guest/compute_be64}")
if [ ! -x "$build/quarn" ]; then
  echo "guest_ips: build quarn first (scripts/build.sh)" >&2
  exit 1
fi
if [ ! -f "$program" ]; then
  echo "guest_ips: no guest program $program (is powerpc64-linux-gnu-gcc installed?)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$top/bench/guest_ips.tcl" "$work/"
cd "$work"
QUARN_BENCH_PROGRAM=$program "$build/quarn" -r -f guest_ips.tcl </dev/null | grep -E '^guest-ips:|Execution stopped'
