#!/usr/bin/env bash
# Installs whatever is missing, builds every preset and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
# win32 first, so the Windows program is built before the Linux suites that
# run it (without it they would skip); the sanitizer build then runs the
# Linux suites again (not lint, memcheck, Wine or packages, which it would
# only repeat).
for preset in win32 linux asan; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" | tee "build/$preset/ctest.log"
  # Here every suite must run: a skip means a missing program or tool.
  if grep -q "(Skipped)" "build/$preset/ctest.log"; then
    echo "test.sh: tests were skipped in the $preset preset" >&2
    exit 1
  fi
done

# The benchmark's smoke pass: every contender runs and patches; no timing is judged.
echo "=== benchmark (smoke pass)"
bench/run --quick >/dev/null

# Releases: every package made twice, from two clones at different paths and
# times, compared byte for byte, then installed or unpacked and run (tests/release/).
echo "=== release packages (reproducible)"
tests/release/reproducible.sh
