#!/bin/bash
# Brings a fresh Debian 12 machine to the state Movara builds and tests in:
# the MinGW-w64 cross compilers and the libraries they link, Wine to run the
# Windows programs, the virtual display, the GStreamer plugins through which
# Wine's media devices decode sound and video, and the Japanese locale that
# makes Wine use code page 932. Quiet when all is present.
set -euo pipefail

PACKAGES=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev googletest duktape-dev cmake ninja-build
  wine64 xvfb xauth xdotool locales fonts-ipafont-gothic tar python3
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
)

missing=()
for p in "${PACKAGES[@]}"; do
  [ -z "$p" ] && continue
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  # apt and debconf talk on both streams; their words matter only on failure.
  log="$(mktemp)"
  if ! { $SUDO apt-get update -qq && $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    exit 1
  fi
  rm -f "$log"
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
fi
