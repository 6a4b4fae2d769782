#!/bin/bash
# Configures and builds Movara's Windows executables with MinGW-w64 into build/.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MOVARA_BUILD_DIR:-$ROOT/build}"
# Configuring every time picks up subsystem folders that have just arrived.
generator=()
[ -f "$BUILD/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S "$ROOT" -B "$BUILD" "${generator[@]}" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-toolchain.cmake" >/dev/null
# Extra arguments go to cmake --build, for example: --target dom_tests
cmake --build "$BUILD" -j "$(nproc)" "$@"
