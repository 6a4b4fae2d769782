#!/bin/bash
# Configures and builds Movara with the Winelib toolchain into build/.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MOVARA_BUILD_DIR:-$ROOT/build}"
# Configuring every time picks up subsystem folders that have just arrived.
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/winelib-toolchain.cmake" >/dev/null
# Extra arguments go to cmake --build, for example: --target dom_tests
cmake --build "$BUILD" -j "$(nproc)" "$@"
