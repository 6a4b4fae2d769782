#!/bin/bash
# Configures and builds Movara's Windows executables with MinGW-w64:
#   scripts/build.sh [--arch x64|x86] [cmake --build arguments...]
# x64 (the default) builds into build/, x86 into build-x86/ (scripts/arch.sh).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/arch.sh"
parse_arch "$@"
set -- "${ARCH_REST[@]}"
# A compiler cache, where the machine has one, shared by every checkout: paths
# are hashed relative to the checkout's root.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$ROOT" CCACHE_NOHASHDIR=1
fi
# Configuring every time picks up subsystem folders that have just arrived.
generator=()
[ -f "$BUILD/CMakeCache.txt" ] || generator=(-G Ninja)
# MOVARA_CMAKE_OPTIONS adds settings, e.g. -DMOVARA_FUZZ_COVERAGE=ON.
read -r -a options <<< "${MOVARA_CMAKE_OPTIONS:-}"
cmake -S "$ROOT" -B "$BUILD" "${generator[@]}" "${launcher[@]}" "${options[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$ARCH.cmake" >/dev/null
# Extra arguments go to cmake --build, for example: --target dom_tests
cmake --build "$BUILD" -j "$(nproc)" "$@"
