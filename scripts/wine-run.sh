#!/bin/bash
# Runs one Windows program under Wine: ctest's and gtest_discover_tests'
# runner for the test programs. Inside scripts/wine-env.sh it starts the
# program straight away; elsewhere it sets that environment up first.
if [ -n "${MOVARA_WINE_ENV:-}" ]; then
  wine64 "$@"
  status=$?
  # A program that ends before it has written anything (a failed start under
  # Wine) leaves ctest only "Failed": say how it ended.
  [ "$status" -eq 0 ] || echo "wine-run: $(basename "$1") ended with status $status" >&2
  exit "$status"
fi
exec "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine-env.sh" wine64 "$@"
