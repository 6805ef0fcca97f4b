#!/usr/bin/env bash
# Installs whatever is missing, builds every preset and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
# win32 first, so the Windows program is built before any Linux suite needs
# it; the sanitizer build then runs the Linux suites again (not lint, memcheck,
# Wine or packages, which it would only repeat).
for preset in win32 linux asan; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

# The benchmark's smoke pass: every contender runs and patches; no timing is judged.
echo "=== benchmark (smoke pass)"
bench/run --quick >/dev/null

# Releases: every package made twice, from two clones at different paths and
# times, compared byte for byte, then installed or unpacked and run (tests/release/).
echo "=== release packages (reproducible)"
tests/release/reproducible.sh
