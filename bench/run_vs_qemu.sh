#!/usr/bin/env bash
# Side-by-side speed of quarn's TURBO mode and qemu-ppc64 (linux-user) on the same static big-endian
# programs (bench/programs/*.c, built here with powerpc64-linux-gnu-gcc -O2 -static). qemu's time is
# the best of three wall times of the whole run; quarn's the time of "go" alone (start-up excluded).
# Both rates use quarn's instruction count N. Variants: "standalone" ("turbo/standalone", unchunked
# memory) and "default", each with "turbo/maximum" 100000 and 1000000. Skips cleanly when qemu-ppc64
# or the cross compiler is absent. Usage: bench/run_vs_qemu.sh [program...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QUARN_BUILD_DIR:-$top/build}
cc=$(command -v powerpc64-linux-gnu-gcc || true)
qemu=$(command -v qemu-ppc64 || true)
if [ -z "$cc" ] || [ -z "$qemu" ]; then
  echo "run_vs_qemu: skipped (needs powerpc64-linux-gnu-gcc and qemu-ppc64)"
  exit 0
fi
if [ ! -x "$build/quarn" ]; then
  echo "run_vs_qemu: build quarn first (scripts/build.sh)" >&2
  exit 1
fi
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=(reg_loop load_store fp_loop mixed calls strings)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$top/bench/run_vs_qemu.tcl" "$work/"
cd "$work"
printf '%-11s %-10s %9s %13s %9s %9s %9s %7s\n' program variant maximum instructions quarn_s quarn_MIPS qemu_MIPS ratio
for p in "${programs[@]}"; do
  "$cc" -O2 -static -o "$p" "$top/bench/programs/$p.c" -lm
  best=
  for i in 1 2 3; do
    t=$( { /usr/bin/time -f %e "$qemu" "./$p" >/dev/null; } 2>&1 | tail -1)
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  for variant in standalone default; do
    for maximum in 100000 1000000; do
      line=$(QUARN_BENCH_PROGRAM="$work/$p" QUARN_BENCH_VARIANT=$variant QUARN_BENCH_MAXIMUM=$maximum \
               "$build/quarn" -r -f run_vs_qemu.tcl </dev/null 2>&1 | grep '^bench-result:' || true)
      if [ -z "$line" ]; then
        printf '%-11s %-10s %9s %s\n' "$p" $variant $maximum "quarn run failed"
        continue
      fi
      n=$(sed 's/.*instructions=\([0-9]*\).*/\1/' <<<"$line")
      us=$(sed 's/.*microseconds=\([0-9]*\).*/\1/' <<<"$line")
      awk -v p="$p" -v v=$variant -v m=$maximum -v n="$n" -v us="$us" -v q="$best" 'BEGIN{
        tq = us / 1e6; mq = n / tq / 1e6; mm = (q > 0) ? n / q / 1e6 : 0;
        printf "%-11s %-10s %9s %13.0f %9.3f %9.0f %9.0f %7.2f\n", p, v, m, n, tq, mq, mm, (mm > 0) ? mq / mm : 0 }'
    done
  done
done
