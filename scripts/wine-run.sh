#!/bin/bash
# Runs one Windows program under Wine: ctest's and gtest_discover_tests'
# runner for the test programs. A 32-bit (x86) program starts with Wine's
# 32-bit loader, any other with the 64-bit one. Inside scripts/wine-env.sh it
# starts the program straight away; elsewhere it sets that environment up first.

# The COFF machine field of the PE header, whose offset the DOS header gives
# at byte 60: 014c is x86.
loader=wine64
offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
if [ -n "$offset" ] && [ "$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')" = 014c ]; then
  loader=wine
fi

if [ -n "${MOVARA_WINE_ENV:-}" ]; then
  # Every test program writes as soon as main runs. One that ends with an
  # error before writing anything never started (seen twice in some thousands
  # of starts on a busy machine: status 1 within 10 ms, no output at all): it
  # is started again, twice at most, and each failed start is reported.
  set -o pipefail  # a pipeline's status is the program's, not tee's
  out=$(mktemp)
  err=$(mktemp)
  for attempt in 1 2 3; do
    # Both streams pass through as they are written, and are kept to look at.
    { "$loader" "$@" 2>&1 1>&4 | tee "$err" >&2; } 4>&1 | tee "$out"
    status=$?
    [ "$status" -eq 0 ] && break
    if [ -s "$out" ] || [ -s "$err" ]; then
      echo "wine-run: $(basename "$1") ended with status $status" >&2
      break
    fi
    echo "wine-run: $(basename "$1") ended with status $status before writing anything (start $attempt of 3)" >&2
  done
  rm -f "$out" "$err"
  exit "$status"
fi
exec "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine-env.sh" "$loader" "$@"
