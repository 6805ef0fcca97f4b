#!/usr/bin/env bash
# Builds the Linux program and patches a copy of the bundled sample movie.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset linux >/dev/null
cmake --build --preset linux --target kestrabin -j "$(nproc)" >/dev/null
mkdir -p build/demo
cp samples/hello.swf build/demo/hello.swf
echo "before: $(od -An -tx1 -N8 build/demo/hello.swf)"
status=0
build/linux/kestrabin build/demo/hello.swf || status=$?
echo
echo "after:  $(od -An -tx1 -N8 build/demo/hello.swf)"
echo "exit status: $status"
