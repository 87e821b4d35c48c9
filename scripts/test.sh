#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; ends with the slowest tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
scripts/build.sh
cd build
status=0
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 "$@" || status=$?
# The slowest tests of this run beside their limits, so that growth is seen before a limit is.
if [ -f Testing/Temporary/LastTest.log ]; then
  echo "Slowest tests: seconds, limit"
  awk 'FNR == NR { limit[$1] = $2; next }
       /^[0-9]+\/[0-9]+ Test: / { name = $3 }
       /^Test time =/ { printf "%8.1f %6s  %s\n", $4, (name in limit ? limit[name] : "-"), name }' \
    test-limits.txt Testing/Temporary/LastTest.log | sort -rn | head -12
fi
exit $status
