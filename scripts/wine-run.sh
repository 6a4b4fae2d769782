#!/bin/bash
# Runs one Windows program under Wine: ctest's and gtest_discover_tests'
# runner for the test programs. Inside scripts/wine-env.sh it starts the
# program straight away; elsewhere it sets that environment up first.
if [ -n "${MOVARA_WINE_ENV:-}" ]; then
  exec wine64 "$@"
fi
exec "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine-env.sh" wine64 "$@"
