#!/bin/bash
# The test command: set up the machine, then build each architecture and run
# its suites under Wine on a virtual display, each tree in a Wine prefix of
# its own: every suite on x64; on x86 the suites of X86_SUITES below. Extra
# arguments go to both ctest runs. Exits non-zero when anything fails.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/arch.sh"

# What the 32-bit build can get wrong where the 64-bit one is right: pointer
# sizes and structure layouts, calling conventions of window procedures,
# callbacks and COM methods, file positions, and the player DLL with its
# script engine; e2e plays movies with bridge round trips in the 32-bit program.
X86_SUITES=ALL

status=0
summary=()
test_arch() {
  local arch=$1
  shift
  parse_arch --arch "$arch"
  "$ROOT/scripts/build.sh" --arch "$arch" &&
    MOVARA_WINEPREFIX="${MOVARA_WINEPREFIX:-$BUILD/wineprefix}" \
      "$ROOT/scripts/wine-env.sh" ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)" "$@"
}

"$ROOT/scripts/setup.sh"
for arch in x64 x86; do
  echo "test: $arch" >&2
  selection=()
  [ "$arch" = x86 ] && [ "$X86_SUITES" != ALL ] && selection=(-L "$X86_SUITES")
  if test_arch "$arch" "${selection[@]}" "$@"; then
    summary+=("$arch passed")
  else
    summary+=("$arch FAILED")
    status=1
  fi
done
echo "test: ${summary[*]}"
exit $status
