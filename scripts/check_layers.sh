#!/usr/bin/env bash
# The layer check of src/: every folder stands on a floor of the floor table in src/README.md, and a
# file may include headers only from its own floor or below; folders must not form a circle of
# includes (not even on one floor). Prints every offending include with its file and line, every
# circle with an include for each of its arrows, and exits 1 when there is any.
#
# Usage: scripts/check_layers.sh [--stats] [SRC_DIR]
#   --stats   also print the folder-to-folder arrows and how many point up
# Needs only bash, find, grep, sed, sort and awk.
set -euo pipefail

stats=0
if [ "${1:-}" = "--stats" ]; then
  stats=1
  shift
fi
top=$(cd "$(dirname "$0")/.." && pwd)
src=${1:-$top/src}
table_file=$src/README.md

# Includes allowed although they break the rule, one "FILE INCLUDE" per line (paths from src/).
# Keep it empty: a call that must go up is declared in a hook header of the lower floor.
exceptions=$(
  cat <<'EOF'
EOF
)

if [ ! -f "$table_file" ]; then
  echo "check_layers: no floor table: $table_file is missing" >&2
  exit 2
fi

# The floor table: the rows between the markers, "| floor | `folder`, `folder` | what it holds |".
floors=$(sed -n '/<!-- floors:begin -->/,/<!-- floors:end -->/p' "$table_file" |
  awk -F'|' '
    $2 ~ /^[ \t]*[0-9]+[ \t]*$/ {
      floor = $2; gsub(/[ \t]/, "", floor)
      n = split($3, names, ",")
      for (i = 1; i <= n; i++) {
        name = names[i]; gsub(/[ \t`]/, "", name); sub(/\/$/, "", name)
        if (name != "") print name, floor
      }
    }')
if [ -z "$floors" ]; then
  echo "check_layers: $table_file has no floor table between <!-- floors:begin --> and <!-- floors:end -->" >&2
  exit 2
fi

# Every include written with a folder: "FILE LINE INCLUDE" (paths from src/).
includes=$(cd "$src" &&
  find . -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cc' -o -name '*.cpp' \
    -o -name '*.def' -o -name '*.inc' -o -name '*.S' \) -print | sed 's|^\./||' | sort |
  while IFS= read -r f; do
    grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$f" /dev/null || true
  done |
  sed -E 's|^([^:]*):([0-9]+):[^"]*"([^"]*)".*|\1 \2 \3|')
files=$(cd "$src" &&
  find . -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cc' -o -name '*.cpp' \
    -o -name '*.def' -o -name '*.inc' -o -name '*.S' \) -print | sed 's|^\./||' | sort)

{
  echo "$floors" | sed 's/^/F /'
  echo "$exceptions" | sed '/^[[:space:]]*$/d; s/^/X /'
  echo "$files" | sed '/^$/d; s/^/P /'
  echo "$includes" | sed '/^$/d; s/^/I /'
} | awk -v stats="$stats" '
  # The folder of a path: the longest folder of the table that contains it.
  function folder_of(path,    best, d) {
    best = ""
    for (d in floor)
      if (index(path, d "/") == 1 && length(d) > length(best)) best = d
    return best
  }
  $1 == "F" { floor[$2] = $3 + 0; next }
  $1 == "X" { allowed[$2 " " $3] = 1; next }
  $1 == "P" {
    if (folder_of($2) == "") { printf "%s: the folder of this file is on no floor of src/README.md\n", $2; bad++ }
    next
  }
  $1 == "I" {
    file = $2; line = $3; target = $4
    from = folder_of(file)
    if (from == "") next
    # An include without a folder names a file beside the includer.
    if (index(target, "/") == 0) next
    to = folder_of(target)
    if (to == "") {
      printf "%s:%s: includes \"%s\", which is in no folder of the floor table\n", file, line, target
      bad++
      next
    }
    if (from == to) next
    if (!((from, to) in count)) { arrows++; order[arrows] = from SUBSEP to; example[from, to] = file ":" line " includes \"" target "\"" }
    count[from, to]++
    if (floor[to] > floor[from]) {
      if ((file " " target) in allowed) { excepted++; next }
      printf "%s:%s: includes \"%s\": %s (floor %d) is above %s (floor %d)\n", file, line, target, to, floor[to], from, floor[from]
      bad++
    }
    next
  }
  END {
    # Circles: drop every folder whose arrows all lead to dropped folders; what is left lies on a
    # circle or leads into one.
    for (i = 1; i <= arrows; i++) {
      split(order[i], ft, SUBSEP)
      out[ft[1]]++; node[ft[1]] = 1; node[ft[2]] = 1
      if (floor[ft[2]] > floor[ft[1]]) up++
    }
    do {
      changed = 0
      for (n in node) {
        if (n in gone) continue
        live = 0
        for (i = 1; i <= arrows; i++) {
          split(order[i], ft, SUBSEP)
          if (ft[1] == n && !(ft[2] in gone)) { live = 1; break }
        }
        if (!live) { gone[n] = 1; changed = 1 }
      }
    } while (changed)
    circles = 0
    for (n in node) {
      if ((n in gone) || (n in reported)) continue
      # Walk from n along arrows to remaining folders until a folder repeats: that part is a circle.
      split("", seen); step = 0; cur = n; old = 0
      while (!(cur in seen)) {
        if (cur in reported) { old = 1; break }
        seen[cur] = ++step; path[step] = cur
        for (i = 1; i <= arrows; i++) {
          split(order[i], ft, SUBSEP)
          if (ft[1] == cur && !(ft[2] in gone)) { nxt = ft[2]; break }
        }
        cur = nxt
      }
      if (old) continue
      circles++
      text = ""
      for (k = seen[cur]; k <= step; k++) { text = text path[k] " -> "; reported[path[k]] = 1 }
      printf "circle of folders: %s%s\n", text, cur
      for (k = seen[cur]; k <= step; k++) {
        a = path[k]; b = (k < step) ? path[k + 1] : cur
        printf "  %s -> %s: %s\n", a, b, example[a, b]
      }
      bad++
    }
    if (stats) {
      for (i = 1; i <= arrows; i++) {
        split(order[i], ft, SUBSEP)
        printf "arrow %s (%d) -> %s (%d): %d includes%s\n", ft[1], floor[ft[1]], ft[2], floor[ft[2]], count[ft[1], ft[2]], (floor[ft[2]] > floor[ft[1]]) ? " UP" : ""
      }
      printf "folder arrows: %d, pointing up: %d, circles: %d\n", arrows, up + 0, circles
    }
    if (bad) {
      printf "check_layers: %d problem(s); see the floor table in src/README.md\n", bad
      exit 1
    }
    printf "check_layers: %d folder arrows, none pointing up, no circle%s\n", arrows, excepted ? " (" excepted " excepted include(s))" : ""
  }'
