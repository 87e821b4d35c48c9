#!/usr/bin/env bash
# Configures and builds into ./build; the program folder is ./build/bin.
# Usage: build.sh [TARGET...]   (no target: everything, the tests too)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
if [ $# -gt 0 ]; then
  cmake --build build -j2 --target "$@"
else
  cmake --build build -j2
fi
