#!/usr/bin/env bash
# Runs the compute-bound guest program in SIMPLE, FAST and TURBO mode and prints the simulated instructions per host
# second of each, side by side. Usage: bench/guest_ips.sh [program]; the default is
# the compute program that the build makes in build/tests/guest when a cross compiler exists.
# QUARN_BENCH_MODES chooses the modes; QUARN_BENCH_BASELINE names another quarn executable (an
# older build) that runs the same program and modes first, its lines marked build=baseline, so
# that the two builds are compared side by side in one run.
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
if [ -n "${QUARN_BENCH_BASELINE:-}" ]; then
  QUARN_BENCH_PROGRAM=$program "$QUARN_BENCH_BASELINE" -r -f guest_ips.tcl </dev/null | grep -E '^guest-ips:' |
    sed 's/^guest-ips:/guest-ips: build=baseline/'
  QUARN_BENCH_PROGRAM=$program "$build/quarn" -r -f guest_ips.tcl </dev/null | grep -E '^guest-ips:' |
    sed 's/^guest-ips:/guest-ips: build=current/'
  exit 0
fi
QUARN_BENCH_PROGRAM=$program "$build/quarn" -r -f guest_ips.tcl </dev/null | grep -E '^guest-ips:|Execution stopped'
