#!/bin/bash
# Runs one command in Movara's Wine environment and stops what it started:
#   scripts/wine-env.sh [--prefix DIR] COMMAND [ARGS...]
# The environment: a project-local WINEPREFIX (booted once; 64-bit, so it runs
# the programs of both architectures, as a 64-bit Windows does), the Japanese
# locale (so Wine's ANSI code page is 932), WINELOADER, WINEDEBUG=-all unless
# set, a virtual display when DISPLAY is unset, and a persistent wineserver
# started before any output is piped (Wine's service processes inherit the
# first process's standard handles and would hold a pipe open forever).
# Several may run at once on one prefix (ctest run without this script starts
# one per test): they share the prefix's server and display, each holds a
# shared lock on the prefix, and whichever ends last stops what they started,
# never under another's programs.
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

lock_fd=""
virtual_display=""
state="$WINEPREFIX/.wine-env"  # "DISPLAY-NUMBER XVFB-PID" of a display started here; the server's marker

# Only the last user of the prefix gets its lock alone; it stops the server and
# the display that scripts like this one started.
stop_environment() {
  [ -n "$lock_fd" ] && flock -n -x "$lock_fd" || return 0
  if [ -e "$state.server" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    rm -f "$state.server"
  fi
  if [ -f "$state.display" ]; then
    local number pid
    read -r number pid <"$state.display" || true
    [ -n "${pid:-}" ] && kill "$pid" >/dev/null 2>&1
    rm -f "$state.display"
  fi
}
trap stop_environment EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A display this prefix's server already draws on, or a new one.
use_display() {
  local number pid
  virtual_display=1
  if [ -f "$state.display" ] && read -r number pid <"$state.display" && kill -0 "$pid" 2>/dev/null; then
    export DISPLAY=":$number"
    return
  fi
  number=90
  while [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ]; do
    number=$((number + 1))
  done
  Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null {lock_fd}>&- {start_fd}>&- &
  echo "$number $!" >"$state.display"
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X${number}" ] && break
    sleep 0.05
  done
  export DISPLAY=":$number"
}

mkdir -p "$WINEPREFIX"

# Without a sound card (servers, CI) Wine's media devices find no output and
# play nothing; ALSA's null device lets them play, pause and stop for real.
if [ -z "${ALSA_CONFIG_PATH:-}" ] && [ -f /usr/share/alsa/alsa.conf ] &&
  ! grep -qs '^ *[0-9]' /proc/asound/cards; then
  alsa_null="$WINEPREFIX/alsa-null.conf"
  [ -f "$alsa_null" ] || echo 'pcm.!default { type null }' >"$alsa_null"
  export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$alsa_null"
fi

# The locks stay with this script: no program it starts may hold them on.
exec {lock_fd}>>"$WINEPREFIX/.wine-env.lock"
flock -s "$lock_fd"
# One at a time from here: the first finds no server and starts one.
exec {start_fd}>>"$WINEPREFIX/.wine-env.start"
flock -x "$start_fd"
[ -n "${DISPLAY:-}" ] || use_display
# A prefix made before Wine's 32-bit half was installed has an empty
# syswow64 that booting again does not fill, so 32-bit programs cannot start
# in it: unused (no server runs for it), it is made anew.
if [ -x /usr/lib/wine/wine ] && [ -f "$WINEPREFIX/system.reg" ] &&
  [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] && ! wineserver -k0 >/dev/null 2>&1; then
  echo "wine-env: making the Wine prefix $WINEPREFIX anew: it has no 32-bit system" >&2
  rm -rf "$WINEPREFIX/drive_c" "$WINEPREFIX/dosdevices" "$WINEPREFIX"/*.reg "$WINEPREFIX/.update-timestamp"
fi
# A server already running for this prefix is used as it is.
started_server=""
if ! wineserver -k0 >/dev/null 2>&1; then
  if wineserver -p >/dev/null 2>&1 </dev/null {lock_fd}>&- {start_fd}>&-; then
    started_server=1
    touch "$state.server"
  fi
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-env: creating the Wine prefix $WINEPREFIX" >&2
  wine64 wineboot -i >/dev/null 2>&1 </dev/null {lock_fd}>&- {start_fd}>&-
elif [ -n "$started_server" ]; then
  # Starts the prefix's service processes with /dev/null as their handles.
  wine64 wineboot >/dev/null 2>&1 </dev/null {lock_fd}>&- {start_fd}>&-
fi
if [ -n "$started_server" ]; then
  # No window manager runs on the virtual display, and a window Wine leaves to
  # one waits 2 s for it each time it is hidden; on a real display one manages them.
  managed=Y
  [ -n "$virtual_display" ] && managed=N
  wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1 </dev/null \
    {lock_fd}>&- {start_fd}>&-
fi
exec {start_fd}>&-

"$@" {lock_fd}>&-
