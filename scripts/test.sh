#!/usr/bin/env bash
# Installs whatever is missing, builds every preset and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
# The Windows programs first, so they are built before the Linux suites that
# run them (without them those suites would skip); the sanitizer build then
# runs the Linux suites again (not lint, memcheck, Wine or packages, which it
# would only repeat).
for preset in win32 win64 linux asan; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" | tee "build/$preset/ctest.log"
  # Here every suite must run: a skip means a missing program or tool. The
  # one thing left out is the 32-bit program's Wine runs, on a machine that
  # cannot execute 32-bit code, and only those (they are disabled by name).
  if grep -q "(Skipped)" "build/$preset/ctest.log"; then
    echo "test.sh: tests were skipped in the $preset preset" >&2
    exit 1
  fi
  # CTest names a disabled test twice: as it passes it ("NAME ...***Not Run
  # (Disabled)") and in its summary ("N - NAME (Disabled)").
  if grep "(Disabled)" "build/$preset/ctest.log" | grep -v "\.win32 "; then
    echo "test.sh: tests other than the 32-bit Wine runs were left out in the $preset preset" >&2
    exit 1
  fi
done
# Which Windows programs ran under Wine, and why.
cat build/linux/wine-runs.txt

# The benchmark's smoke pass: every contender runs and patches; no timing is judged.
echo "=== benchmark (smoke pass)"
bench/run --quick >/dev/null

# Releases: every package made twice, from two clones at different paths and
# times, compared byte for byte, then installed or unpacked and run (tests/release/).
echo "=== release packages (reproducible)"
tests/release/reproducible.sh
