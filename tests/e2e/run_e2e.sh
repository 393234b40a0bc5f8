#!/usr/bin/env bash
# Runs one script test: quarn -r [extra args] -f NAME.tcl in a scratch directory and compares
# its standard output and exit status with NAME.out beside the script.
#
# The script's first line may carry options and the expected status:
#   # args: -m ERVIK status: 1
# In NAME.out a line starting with "re:" is an extended regular expression matched against the
# whole output line; every other line must match exactly.
set -u
quarn=$1; script=$2; work=$3
name=$(basename "$script" .tcl)
expected="$(dirname "$script")/$name.out"

first=$(head -n 1 "$script")
args=""; want_status=0
if [[ $first == \#* ]]; then
  if [[ $first =~ args:(.*) ]]; then
    args=${BASH_REMATCH[1]}
    args=${args%%status:*}
  fi
  if [[ $first =~ status:[[:space:]]*(-?[0-9]+) ]]; then
    want_status=${BASH_REMATCH[1]}
  fi
fi

rm -rf "$work"; mkdir -p "$work"
cp "$script" "$work/"
cd "$work" || exit 2
# shellcheck disable=SC2086
"$quarn" -r $args -f "$name.tcl" </dev/null >stdout 2>stderr
status=$?

fail=0
if [[ $status -ne $(( (want_status + 256) % 256 )) ]]; then
  echo "exit status $status, expected $want_status"
  fail=1
fi

mapfile -t got <stdout
mapfile -t want <"$expected"
if [[ ${#got[@]} -ne ${#want[@]} ]]; then
  echo "output has ${#got[@]} lines, expected ${#want[@]}"
  fail=1
fi
n=${#want[@]}; [[ ${#got[@]} -gt $n ]] && n=${#got[@]}
for ((i = 0; i < n; i++)); do
  w=${want[i]-<missing>}; g=${got[i]-<missing>}
  if [[ $w == re:* ]]; then
    [[ $g =~ ^${w#re:}$ ]] && continue
  else
    [[ $g == "$w" ]] && continue
  fi
  echo "line $((i + 1)): got      [$g]"
  echo "line $((i + 1)): expected [$w]"
  fail=1
done

if [[ $fail -ne 0 ]]; then
  echo "---- stdout ----"; cat stdout
  echo "---- stderr ----"; cat stderr
fi
exit $fail
