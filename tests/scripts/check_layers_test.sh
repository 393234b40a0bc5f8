#!/usr/bin/env bash
# Runs scripts/check_layers.sh on small source trees made in a scratch directory: a tree that keeps
# to its floors passes; an include that goes up a floor, a circle of folders on one floor, a file
# in a folder that is on no floor and an include of a folder that is on no floor each fail with a
# message naming the file, the line and the include. Usage: check_layers_test.sh CHECK_SCRIPT
set -u
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# make_tree DIR: base (floor 1) <- mid and side (floor 2) <- top (floor 3), includes only going down.
make_tree() {
  local d=$1
  mkdir -p "$d/base" "$d/mid/room" "$d/side" "$d/top"
  cat >"$d/README.md" <<'TABLE'
<!-- floors:begin -->
| Floor | Folders | What they hold |
|---|---|---|
| 1 | `base` | the bottom |
| 2 | `mid`, `side` | two folders of one floor |
| 3 | `top` | the top |
<!-- floors:end -->
TABLE
  printf '#pragma once\n' >"$d/base/b.h"
  printf '#include "base/b.h"\n' >"$d/mid/m.h"
  printf '#include "mid/m.h"\n#include "base/b.h"\n' >"$d/mid/room/r.cpp"
  printf '#include "mid/m.h"\n' >"$d/side/s.h"
  printf '#include "side/s.h"\n#include "mid/room/r.h"\n#include "local.inc"\n' >"$d/top/t.cpp"
}

# expect NAME STATUS PATTERN...: runs the check on $work/NAME and wants the exit status and every
# pattern (an extended regular expression) in its output.
expect() {
  local name=$1 want=$2
  shift 2
  local out status
  out=$("$check" "$work/$name" 2>&1)
  status=$?
  if [ "$status" -ne "$want" ]; then
    echo "FAIL $name: exit status $status, expected $want"
    echo "$out"
    failures=$((failures + 1))
    return
  fi
  local p
  for p in "$@"; do
    if ! grep -Eq -- "$p" <<<"$out"; then
      echo "FAIL $name: no line matches /$p/ in:"
      echo "$out"
      failures=$((failures + 1))
    fi
  done
}

make_tree "$work/clean"
expect clean 0 'no circle'

make_tree "$work/up"
printf '#pragma once\n#include "top/t.h"\n' >"$work/up/base/b.h"
expect up 1 '^base/b\.h:2: includes "top/t\.h": top \(floor 3\) is above base \(floor 1\)$'

make_tree "$work/circle"
printf '#include "side/s.h"\n' >>"$work/circle/mid/m.h"
expect circle 1 '^circle of folders: (mid -> side -> mid|side -> mid -> side)$' \
  '^  mid -> side: mid/m\.h:2 includes "side/s\.h"$' '^  side -> mid: side/s\.h:1 includes "mid/m\.h"$'

make_tree "$work/stray"
mkdir -p "$work/stray/nowhere"
printf '#include "base/b.h"\n' >"$work/stray/nowhere/n.cpp"
printf '#include "nowhere/n.h"\n' >>"$work/stray/top/t.cpp"
expect stray 1 '^nowhere/n\.cpp: the folder of this file is on no floor' \
  '^top/t\.cpp:4: includes "nowhere/n\.h", which is in no folder of the floor table$'

make_tree "$work/notable"
rm "$work/notable/README.md"
expect notable 2 'no floor table'

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "check_layers_test: all cases passed"
