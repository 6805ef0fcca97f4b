#!/usr/bin/env bash
# Rewrites cmake/startup-order.txt: every function that runs without a display
# (a patch, a refused file, the usage case), found with callgrind. The linker
# places these together so that a run faults in a few pages of code instead
# of pages spread across all of Xlib and the C library.
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/linux/kestrabin}
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
done | sed -nE 's/^ *[0-9,]+ .*:([A-Za-z_][A-Za-z0-9_.]*) \[.*$/\1/p' | { echo _start; cat; } | sort -u >cmake/startup-order.txt
echo "cmake/startup-order.txt: $(wc -l <cmake/startup-order.txt) functions"
