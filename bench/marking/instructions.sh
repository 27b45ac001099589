#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Marking against decoding by instruction count, which unlike wall time does
# not move with the load of a shared machine. For each set, callgrind counts
# the instructions of decoding the set's typical page from GBK and of marking
# it, over the same number of repetitions; the ratio per set and the ratio of
# the sums over all sets are printed.
#
#   bench/marking/instructions.sh [build folder, default build/release] [repetitions, default 200]
set -euo pipefail

here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build/release}
reps=${2:-200}
probe=$build/bin/marking_probe

if ! command -v valgrind >/dev/null 2>&1; then
  echo "instructions.sh: valgrind is not installed" >&2
  exit 1
fi
if [ ! -x "$probe" ]; then
  echo "instructions.sh: $probe not found; build the release preset first" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Instructions per repetition of one loop of the probe.
count() {
  local mode=$1 set=$2 loop=$3
  valgrind --tool=callgrind --callgrind-out-file="$work/out" --toggle-collect="*$loop*" \
    "$probe" "$mode" "$set" "$reps" >/dev/null 2>"$work/log" || {
    cat "$work/log" >&2
    exit 1
  }
  local total
  total=$(sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$work/out")
  echo $((total / reps))
}

printf '%-4s %14s %14s %8s\n' set decode mark ratio
decode_sum=0
mark_sum=0
worst=0
for set in 1 2 3 4 5 6 7 8 9; do
  d=$(count decode "$set" runDecodes)
  m=$(count mark "$set" runMarks)
  decode_sum=$((decode_sum + d))
  mark_sum=$((mark_sum + m))
  ratio=$(awk -v m="$m" -v d="$d" 'BEGIN { printf "%.2f", m / d }')
  worst=$(awk -v r="$ratio" -v w="$worst" 'BEGIN { print (r > w ? r : w) }')
  printf '%-4s %14d %14d %8s\n' "$set" "$d" "$m" "$ratio"
done
overall=$(awk -v m="$mark_sum" -v d="$decode_sum" 'BEGIN { printf "%.2f", m / d }')
printf '%-4s %14d %14d %8s\n' all "$decode_sum" "$mark_sum" "$overall"
echo "instructions per page; ratio = mark / decode; worst set $worst (targets: all <= 1.6, worst <= 2.5)"
