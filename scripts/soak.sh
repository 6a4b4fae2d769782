#!/bin/bash
# The long soak run: a movie making many mixed bridge calls while the test
# watches the program's memory and handles (the test command makes 20,000).
#   scripts/soak.sh [CALLS]      (default 100,000)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MOVARA_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" --target soak_tests movara >/dev/null
MOVARA_SOAK_CALLS="${1:-100000}" MOVARA_WINEPREFIX="${MOVARA_WINEPREFIX:-$BUILD/wineprefix}" \
  "$ROOT/scripts/wine-env.sh" ctest --test-dir "$BUILD" -R SoakEndToEnd --output-on-failure
