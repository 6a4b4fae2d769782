# Sourced by the scripts that build or run one architecture's tree:
# parse_arch ARGS... reads a leading "--arch x64|x86" (x64 when absent) and sets
#   ARCH       x64 or x86
#   BUILD      its tree: build/ (or MOVARA_BUILD_DIR) or build-x86/ (or MOVARA_X86_BUILD_DIR)
#   WINE       the Wine loader of its programs: wine64 or wine (32-bit)
#   TRIPLE     the MinGW-w64 target, the prefix of its binutils
#   ARCH_REST  the arguments after it
parse_arch() {
  ARCH=x64
  if [ "${1:-}" = "--arch" ]; then
    ARCH="${2:-}"
    shift 2 || true
  fi
  case "$ARCH" in
    x64) BUILD="${MOVARA_BUILD_DIR:-$ROOT/build}" WINE=wine64 TRIPLE=x86_64-w64-mingw32 ;;
    x86) BUILD="${MOVARA_X86_BUILD_DIR:-$ROOT/build-x86}" WINE=wine TRIPLE=i686-w64-mingw32 ;;
    *) echo "unknown architecture '$ARCH': use --arch x64 or --arch x86" >&2; exit 2 ;;
  esac
  ARCH_REST=("$@")
}
