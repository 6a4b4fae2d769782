#!/bin/bash
# Runs one command in Movara's Wine environment and stops what it started:
#   scripts/wine-env.sh [--prefix DIR] COMMAND [ARGS...]
# The environment: a project-local WINEPREFIX (booted once), the Japanese
# locale (so Wine's ANSI code page is 932), WINELOADER, WINEDEBUG=-all unless
# set, a virtual display when DISPLAY is unset, and a persistent wineserver
# started before any output is piped (Wine's service processes inherit the
# first process's standard handles and would hold a pipe open forever).
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PREFIX_DIR="${MOVARA_WINEPREFIX:-$ROOT/build/wineprefix}"
if [ "${1:-}" = "--prefix" ]; then
  PREFIX_DIR="$2"
  shift 2
fi
[ $# -gt 0 ] || { echo "usage: $0 [--prefix DIR] COMMAND [ARGS...]" >&2; exit 2; }

export WINEPREFIX="$PREFIX_DIR"
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG="${WINEDEBUG:--all}"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export PATH="/usr/lib/wine:$PATH"
export MOVARA_WINE_ENV=1

started_xvfb=""
started_server=""

stop_environment() {
  if [ -n "$started_server" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -n "$started_xvfb" ]; then
    kill "$started_xvfb" >/dev/null 2>&1 || true
    wait "$started_xvfb" 2>/dev/null || true
  fi
}
trap stop_environment EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

start_display() {
  local n=90
  while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do
    n=$((n + 1))
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
  started_xvfb=$!
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X${n}" ] && break
    sleep 0.05
  done
  export DISPLAY=":$n"
}

[ -n "${DISPLAY:-}" ] || start_display

mkdir -p "$WINEPREFIX"

# Without a sound card (servers, CI) Wine's media devices find no output and
# play nothing; ALSA's null device lets them play, pause and stop for real.
if [ -z "${ALSA_CONFIG_PATH:-}" ] && [ -f /usr/share/alsa/alsa.conf ] &&
  ! grep -qs '^ *[0-9]' /proc/asound/cards; then
  alsa_null="$WINEPREFIX/alsa-null.conf"
  [ -f "$alsa_null" ] || echo 'pcm.!default { type null }' >"$alsa_null"
  export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$alsa_null"
fi
# A server already running for this prefix belongs to someone else: use it and
# leave it running.
if ! wineserver -k0 >/dev/null 2>&1; then
  wineserver -p >/dev/null 2>&1 </dev/null
  started_server=1
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-env: creating the Wine prefix $WINEPREFIX" >&2
  wine64 wineboot -i >/dev/null 2>&1 </dev/null
elif [ -n "$started_server" ]; then
  # Starts the prefix's service processes with /dev/null as their handles.
  wine64 wineboot >/dev/null 2>&1 </dev/null
fi

"$@"
