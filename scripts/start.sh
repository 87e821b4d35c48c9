#!/usr/bin/env bash
# Installs what is missing, builds, makes a sample DVD and starts the program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
cmake --build build --target sample_dvd
exec build/bin/quarnel "$PWD/build/sample-dvd/VIDEO_TS" "$@"
