#!/usr/bin/env bash
# Installs whatever is missing, builds every preset and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
# win32 first: the Linux suites also run the Windows program under Wine.
for preset in win32 linux; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
