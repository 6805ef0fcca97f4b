#!/usr/bin/env bash
# Builds the Linux program alone (no test suites, so no GoogleTest) in a tree
# of its own, build/demo, and patches a copy of the bundled sample movie.
# First installs what building needs, where it is missing (as root or through
# sudo): the build packages of scripts/install-deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --build

cmake --preset linux -B build/demo -DKESTRABIN_TESTS=OFF -DKESTRABIN_BENCH=OFF >/dev/null
cmake --build build/demo --target kestrabin -j "$(nproc)" >/dev/null
mkdir -p build/demo/sample
cp samples/hello.swf build/demo/sample/hello.swf
echo "before: $(od -An -tx1 -N8 build/demo/sample/hello.swf)"
# The notice blocks the run until it is acknowledged: a dialog's OK with a
# display, Enter on this terminal without one.
echo "The notice comes next: press OK in its dialog, or Enter here on the terminal."
status=0
build/demo/kestrabin build/demo/sample/hello.swf || status=$?
echo
echo "after:  $(od -An -tx1 -N8 build/demo/sample/hello.swf)"
echo "exit status: $status"
