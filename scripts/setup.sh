#!/bin/bash
# Brings a fresh Debian 12 machine to the state Movara builds and tests in:
# the MinGW-w64 cross compilers of both architectures (x64 and x86) and the
# libraries they link, Wine's 64- and 32-bit halves to run the Windows
# programs (the 32-bit one comes from Debian's i386 architecture), the tools
# that draw the program's icon, the virtual display, the GStreamer plugins
# through which Wine's media devices decode sound and video, and the Japanese
# locale that makes Wine use code page 932. Quiet when all is present.
set -euo pipefail

PACKAGES=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  libz-mingw-w64-dev googletest duktape-dev cmake ninja-build librsvg2-bin icoutils
  wine64 wine32:i386 xvfb xauth xdotool locales fonts-ipafont-gothic tar python3
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
# wine32 is a package of the i386 architecture; apt reads that
# architecture's lists from the next update on.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture"
  $SUDO dpkg --add-architecture i386
fi

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
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
fi
