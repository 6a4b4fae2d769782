#!/bin/bash
# Fails when a source file includes a header of a layer above its own:
#   scripts/check-layers.sh [SOURCE_ROOT]     (default: the project's src/)
# Layers from the bottom: tbx; dom, imaging and the framework; security; the
# bridge (FlashEx) and the stand-in player; the services; the dialog; the
# movie rasteriser (whose hidden dialog is one); the app.
set -uo pipefail
SRC="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/src}"

# What each folder may include, besides the system's and libraries' headers.
declare -A ALLOWED=(
  [tbx]="tbx"
  [dom]="dom tbx"
  [imaging]="imaging tbx"
  [framework]="framework tbx"
  [security]="security dom tbx"
  [FlashEx]="FlashEx dom tbx"
  [player]="player FlashEx imaging framework tbx"
  [FlashEx/services]="FlashEx/services FlashEx player framework security imaging dom tbx"
  [FlashEx/dialog]="FlashEx/dialog FlashEx/services FlashEx player framework security imaging dom tbx"
  [FlashEx/raster]="FlashEx/raster FlashEx/dialog FlashEx/services FlashEx player framework security imaging dom tbx"
  [app]="app FlashEx/raster FlashEx/dialog FlashEx/services FlashEx player framework security imaging dom tbx"
)
# The stand-in player links the values and their XML, not the host's side of
# the bridge.
PLAYER_HOST_ONLY="FlashEx/FlashExServiceManager.h FlashEx/FlashExService.h FlashEx/CShockwaveflash1.h FlashEx/FlashExExternalCall.h FlashEx/FlashExHost.h"

status=0
for folder in "${!ALLOWED[@]}"; do
  [ -d "$SRC/$folder" ] || continue
  for file in "$SRC/$folder"/*.cpp "$SRC/$folder"/*.h; do
    [ -f "$file" ] || continue
    while IFS= read -r header; do
      [[ "$header" == */* ]] || continue
      layer="${header%/*}"
      ok=""
      for allowed in ${ALLOWED[$folder]}; do
        [ "$layer" = "$allowed" ] && ok=1
      done
      if [ "$folder" = player ] && [[ " $PLAYER_HOST_ONLY " == *" $header "* ]]; then ok=""; fi
      if [ -z "$ok" ]; then
        echo "layers: ${file#$SRC/} includes $header, which lies above $folder" >&2
        status=1
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  done
done
[ $status -eq 0 ] && echo "layers: every include looks down"
exit $status
