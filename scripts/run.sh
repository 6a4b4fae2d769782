#!/bin/bash
# Sets up, builds and runs Movara with its demo movie under Wine:
#   scripts/run.sh [--screenshot FILE.png] [--delay SECONDS] [MOVIE [ARGS...]]
# Without a display it runs on a virtual one (Xvfb) and says so. The movie's
# trace lines appear on standard output. Ctrl+C stops the program and what
# was started for it. With --screenshot it waits (--delay, default 5 s),
# saves the window as PNG, closes the program and ends.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MOVARA_BUILD_DIR:-$ROOT/build}"
export MOVARA_WINEPREFIX="${MOVARA_WINEPREFIX:-$BUILD/wineprefix}"

screenshot=""
delay=5
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) screenshot="$2"; shift 2 ;;
    --delay) delay="$2"; shift 2 ;;
    -h|--help) sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) break ;;
  esac
done

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" --target movara demo_movie movara_screenshot >/dev/null

[ -n "${DISPLAY:-}" ] || echo "run: no display found; Movara runs on a virtual display (Xvfb)" >&2

BIN="$BUILD/bin"
# Wine maps the Unix root to drive Z:.
windows_path() { echo "Z:$(realpath -m "$1" | tr / '\\')"; }
# The program makes its own folder the working directory: a movie given as a
# local file is handed over by its full Windows path.
if [ $# -gt 0 ] && [ -f "$1" ]; then
  movie="$(windows_path "$1")"
  shift
  set -- "$movie" "$@"
fi
if [ -z "$screenshot" ]; then
  echo "run: starting Movara (Ctrl+C stops it)" >&2
  exec "$ROOT/scripts/wine-env.sh" wine64 "$BIN/movara.exe" "$@"
fi

# Inside the Wine environment: start the program, wait, take the picture,
# then end the program that this script started.
screenshot="$(windows_path "$screenshot")"
TOOLS="$BUILD/tools"
export BIN TOOLS screenshot delay
exec "$ROOT/scripts/wine-env.sh" bash -c '
  wine64 "$BIN/movara.exe" "$@" &
  program=$!
  sleep "$delay"
  status=0
  wine64 "$TOOLS/movara_screenshot.exe" "$screenshot" || status=1
  kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  exit $status
' run "$@"
