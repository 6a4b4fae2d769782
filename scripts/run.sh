#!/bin/bash
# Sets up, builds and runs Movara with its demo movie under Wine:
#   scripts/run.sh [--screenshot FILE.png] [--delay SECONDS] [MOVIE [ARGS...]]
#   scripts/run.sh --watch SCRIPT.js [ARGS...]
#   scripts/run.sh --debug MOVIE [ARGS...]
# Without a display it runs on a virtual one (Xvfb) and says so. The movie's
# trace lines appear on standard output. Ctrl+C stops the program and what
# was started for it. With --screenshot it waits (--delay, default 5 s),
# saves the window as PNG, closes the program and ends. With --watch it builds
# the script into a movie with mkswf, plays it, and rebuilds and reloads it in
# the same window whenever the script changes; a script that does not compile
# is reported with its file and line while the last good movie plays on.
# With --debug it plays MOVIE (a .js script or a .swf) with /debug and
# attaches movdbg, the console debugger, on this terminal; the script's
# source is looked for beside the movie and in examples/.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MOVARA_BUILD_DIR:-$ROOT/build}"
export MOVARA_WINEPREFIX="${MOVARA_WINEPREFIX:-$BUILD/wineprefix}"

screenshot=""
delay=5
watch=""
debug=""
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) screenshot="$2"; shift 2 ;;
    --delay) delay="$2"; shift 2 ;;
    --watch) watch="$2"; shift 2 ;;
    --debug) debug="$2"; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) break ;;
  esac
done

# The test of --watch runs what the test command has just built.
if [ -z "${MOVARA_RUN_PREBUILT:-}" ]; then
  "$ROOT/scripts/setup.sh"
  "$ROOT/scripts/build.sh" --target movara demo_movie movara_screenshot mkswf movdbg >/dev/null
fi

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
if [ -n "$watch" ]; then
  [ -f "$watch" ] || { echo "run: no script $watch" >&2; exit 1; }
  movie="$BUILD/watch/$(basename "${watch%.*}").swf"
  mkdir -p "$(dirname "$movie")"
  export BIN watch movie
  export movie_windows="$(windows_path "$movie")" watch_windows="$(windows_path "$watch")"
  echo "run: playing $watch; saving it reloads the movie (Ctrl+C stops)" >&2
  exec "$ROOT/scripts/wine-env.sh" bash -c '
    build() { wine64 "$BIN/mkswf.exe" -o "$movie_windows" "$watch_windows"; }
    stamp() { stat -c "%y %s" "$watch" 2>/dev/null; }
    # Waits until the script is saved again.
    saved() { local before="$(stamp)"; while [ "$(stamp)" = "$before" ]; do sleep 0.3; done; }
    until build; do echo "run: fix the script and save it" >&2; saved; done
    wine64 "$BIN/movara.exe" "$movie_windows" /watch "$@" &
    program=$!
    trap "kill $program 2>/dev/null; exit 0" INT TERM
    before="$(stamp)"
    while kill -0 "$program" 2>/dev/null; do
      sleep 0.3
      now="$(stamp)"
      [ "$now" = "$before" ] && continue
      before="$now"
      build && echo "run: rebuilt $watch" >&2
    done
    wait "$program"
  ' run "$@"
fi
if [ -n "$debug" ]; then
  [ -f "$debug" ] || { echo "run: no movie $debug" >&2; exit 1; }
  export BIN movie_windows="$(windows_path "$debug")"
  export folder_windows="$(windows_path "$(dirname "$debug")")" examples_windows="$(windows_path "$ROOT/examples")"
  echo "run: playing $debug with /debug; movdbg attaches (help lists its commands, quit detaches)" >&2
  exec "$ROOT/scripts/wine-env.sh" bash -c '
    wine64 "$BIN/movara.exe" "$movie_windows" /debug "$@" &
    program=$!
    trap "kill $program 2>/dev/null; exit 0" INT TERM
    wine64 "$BIN/movdbg.exe" --source "$folder_windows" --source "$examples_windows"
    wait "$program"
  ' run "$@"
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
