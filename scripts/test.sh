#!/usr/bin/env bash
# Installs whatever is missing, builds every preset and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
# The sanitizer build runs every suite again, lint and memcheck aside.
for preset in linux asan; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
