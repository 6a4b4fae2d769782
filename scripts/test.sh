#!/bin/bash
# The test command: set up the machine, build, and run every suite under Wine
# on a virtual display. Exits non-zero when anything fails.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MOVARA_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"
MOVARA_WINEPREFIX="${MOVARA_WINEPREFIX:-$BUILD/wineprefix}" \
  "$ROOT/scripts/wine-env.sh" ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)" "$@"
