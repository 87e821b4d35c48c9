#!/usr/bin/env bash
# Installs what the program needs, builds the program (not the tests), makes a sample DVD
# and starts the program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh program sample_dvd
exec build/bin/quarnel "$PWD/build/sample-dvd/VIDEO_TS" "$@"
