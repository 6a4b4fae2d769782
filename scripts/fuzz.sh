#!/bin/bash
# Long mutation runs over every input kind:
#   scripts/fuzz.sh [inputs per kind, default 1000000] [kind filter, default *]
# e.g. scripts/fuzz.sh 200000 Archives. The suite is built into build-fuzz/
# with the C++ library's checks (-D_GLIBCXX_ASSERTIONS: bounds-checked
# operator[], front(), back() and the containers' other preconditions) and
# runs under Wine's heap checking: WINEDEBUG=warn+heap makes Wine's heap check
# the block of every free and reallocation (a double free or a foreign
# pointer), and any heap warning fails the run. MOVARA_FUZZ_HEAP=guarded
# gives every C++ allocation of the test program a page of its own with an
# inaccessible page behind it and keeps freed blocks inaccessible for a while
# (tests/fuzz/GuardedHeap.cpp): an overrun, a use after free or a second free
# faults where it happens; about 50 times slower. MOVARA_FUZZ_HEAP=full uses
# trace+heap instead, which validates Wine's whole heap on every call: about
# 0.3 s per input, so use it with small counts. MOVARA_FUZZ_SEED picks another
# sequence; an input that fails is kept as hex in build-fuzz/tests/fuzz-*.hex.
# MOVARA_FUZZ_COVERAGE=1 builds into build-fuzz-coverage/ with the parsing
# libraries reporting every edge they run (-fsanitize-coverage=trace-pc and
# our own hook): inputs that reach new code join the corpus, so the run is
# guided by coverage, at about half the speed. MOVARA_FUZZ_GUIDED=0 still
# counts the edges but keeps no input, to measure what the guidance adds.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
INPUTS="${1:-1000000}"
FILTER="${2:-*}"
coverage=OFF
[ "${MOVARA_FUZZ_COVERAGE:-}" = 1 ] && coverage=ON
default_dir="$ROOT/build-fuzz"
[ "$coverage" = ON ] && default_dir="$ROOT/build-fuzz-coverage"
export MOVARA_BUILD_DIR="${MOVARA_FUZZ_BUILD_DIR:-$default_dir}"
export MOVARA_CMAKE_OPTIONS="-DMOVARA_FUZZ_COVERAGE=$coverage"
# The flags are read when the build folder is first configured.
if [ -f "$MOVARA_BUILD_DIR/CMakeCache.txt" ] && ! grep -q _GLIBCXX_ASSERTIONS "$MOVARA_BUILD_DIR/CMakeCache.txt"; then
  rm -f "$MOVARA_BUILD_DIR/CMakeCache.txt"
fi
CXXFLAGS="${CXXFLAGS:-} -D_GLIBCXX_ASSERTIONS" "$ROOT/scripts/build.sh" --target fuzz_tests
cd "$MOVARA_BUILD_DIR/tests"
debug=warn+heap
[ "${MOVARA_FUZZ_HEAP:-}" = full ] && debug=trace+heap
echo "fuzz: $INPUTS inputs per kind, seed ${MOVARA_FUZZ_SEED:-19}, WINEDEBUG=$debug, coverage $coverage, heap ${MOVARA_FUZZ_HEAP:-plain}"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
status=0
MOVARA_FUZZ_INPUTS="$INPUTS" WINEDEBUG="$debug" \
  "$ROOT/scripts/wine-env.sh" wine64 ./fuzz_tests.exe --gtest_filter="Fuzz.$FILTER" 2>&1 |
  grep --line-buffered -av ':trace:heap:' | tee "$log" || status=$?
if grep -aq -e ':warn:heap:' -e ':err:heap:' "$log"; then
  echo "fuzz: the heap checks reported faults (lines above)"
  exit 1
fi
exit "$status"
