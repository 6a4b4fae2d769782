#!/bin/bash
# Long mutation runs over every input kind:
#   scripts/fuzz.sh [inputs per kind, default 1000000] [kind filter, default *]
# e.g. scripts/fuzz.sh 200000 Archives. The suite is built into build-fuzz/
# with the C++ library's checks (-D_GLIBCXX_ASSERTIONS: bounds-checked
# operator[], front(), back() and the containers' other preconditions) and
# runs under Wine's heap checking (WINEDEBUG=warn+heap: every heap operation
# validates the heap, freed blocks are filled and checked, blocks carry tail
# guards). MOVARA_FUZZ_SEED picks another sequence; an input that fails is
# kept as hex in build-fuzz/tests/fuzz-<kind>-*.hex.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
INPUTS="${1:-1000000}"
FILTER="${2:-*}"
export MOVARA_BUILD_DIR="${MOVARA_FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
# The flags are read when the build folder is first configured.
if [ -f "$MOVARA_BUILD_DIR/CMakeCache.txt" ] && ! grep -q _GLIBCXX_ASSERTIONS "$MOVARA_BUILD_DIR/CMakeCache.txt"; then
  rm -f "$MOVARA_BUILD_DIR/CMakeCache.txt"
fi
CXXFLAGS="${CXXFLAGS:-} -D_GLIBCXX_ASSERTIONS" "$ROOT/scripts/build.sh" --target fuzz_tests
cd "$MOVARA_BUILD_DIR/tests"
echo "fuzz: $INPUTS inputs per kind, seed ${MOVARA_FUZZ_SEED:-19}, WINEDEBUG=${WINEDEBUG:-warn+heap}"
MOVARA_FUZZ_INPUTS="$INPUTS" WINEDEBUG="${WINEDEBUG:-warn+heap}" \
  "$ROOT/scripts/wine-env.sh" wine64 ./fuzz_tests.exe --gtest_filter="Fuzz.$FILTER"
