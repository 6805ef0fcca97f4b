#!/usr/bin/env bash
# Rewrites data/startup-order.txt: every function that runs without a display
# (a patch, a refused file, the usage case), found with callgrind. The linker
# places these together so that a run faults in a few pages of code instead
# of pages spread across all of Xlib and the C library.
#   scripts/startup-order.sh [PROGRAM]           rewrite the list from PROGRAM
#   scripts/startup-order.sh --check PROGRAM     fail if the list is out of date
set -euo pipefail
cd "$(dirname "$0")/.."
check=false
if [ "${1:-}" = --check ]; then
  check=true
  shift
fi
program=${1:-build/linux/kestrabin}
list=data/startup-order.txt
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
printf 'FWS\005' >"$scratch/movie.swf"
printf 'ABCD' >"$scratch/other.bin"

run=0
for args in "$scratch/movie.swf" "$scratch/other.bin" ""; do
  run=$((run + 1))
  # shellcheck disable=SC2086  # the empty case must pass no argument at all
  env -i setsid valgrind --tool=callgrind --demangle=no --callgrind-out-file="$scratch/profile.$run" \
    "$program" $args </dev/null >/dev/null 2>&1 || true
done

for profile in "$scratch"/profile.*; do
  callgrind_annotate --threshold=100 "$profile"
done | sed -nE 's/^ *[0-9,]+ .*:([A-Za-z_][A-Za-z0-9_.]*) \[.*$/\1/p' | { echo _start; cat; } |
  sort -u >"$scratch/order.txt"

if $check; then
  if ! diff -u "$list" "$scratch/order.txt"; then
    echo "$list is out of date for $program: run scripts/startup-order.sh and rebuild" >&2
    exit 1
  fi
  echo "$list matches $program ($(wc -l <"$list") functions)"
  exit 0
fi
cp "$scratch/order.txt" "$list"
echo "$list: $(wc -l <"$list") functions"
