#!/usr/bin/env bash
# Runs a test program under a virtual X server with Mesa's software OpenGL (llvmpipe), as
# on a machine without a GPU: run-under-xvfb.sh PROGRAM [ARGS...]
# Exit 77 (CTest: skipped) when xvfb-run is missing.
set -euo pipefail
if ! command -v xvfb-run >/dev/null; then
  echo "SKIP: xvfb-run is missing (Debian package xvfb); the test needs an X server"
  exit 77
fi
export QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
# Descriptor 0 stays open (on /dev/null): the test checks nobody closes it.
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@" </dev/null
