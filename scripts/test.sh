#!/usr/bin/env bash
# Installs whatever is missing, builds every preset and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)

# The Windows program first: the linux preset's Wine suites run it.
echo "=== win32"
cmake --preset win32
cmake --build --preset win32 -j "$jobs"

for preset in linux; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
