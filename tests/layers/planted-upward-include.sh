#!/bin/bash
# The layer check must bite: a copy of the sources with upward includes of
# every form planted, and a layer map with an upward link, has to fail with
# one line naming each.   planted-upward-include.sh LAYER_MAP
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
MAP="$1"
copy="$(mktemp -d)"
trap 'rm -rf "$copy"' EXIT
cp -r "$ROOT/src" "$copy/src"
plant() { mkdir -p "$(dirname "$copy/src/$1")"; echo "$2" >> "$copy/src/$1"; }

# file | planted line | what the check must say
cases=(
  'tbx/Base64.cpp|#include "services/file/FlashExServiceFile.h"|tbx/Base64.cpp includes services/file/FlashExServiceFile.h of service_file, which tbx does not link'
  'tbx/Base64.cpp|#include <dialog/FlashExDlg.h>|tbx/Base64.cpp includes dialog/FlashExDlg.h of dialog, which tbx does not link'
  'player/PlayerControl.cpp|#include "bridge/host/FlashExService.h"|player/PlayerControl.cpp includes bridge/host/FlashExService.h of bridge_host, which player_core does not link'
  'services/file/TextFile.cpp|#include "../../app/Movara.h"|services/file/TextFile.cpp includes ../../app/Movara.h of movara_app, which service_file does not link'
  'services/newthing/New.cpp|#include "app/Movara.h"|services/newthing/New.cpp lies in no library'"'"'s folder'
)
for entry in "${cases[@]}"; do
  IFS='|' read -r file line _ <<<"$entry"
  plant "$file" "$line"
done
sed 's/^tbx|tbx|0|/tbx|tbx|0|movara_app /' "$MAP" > "$copy/upward-link.txt"
cases+=('||tbx (layer 0) links movara_app (layer 11), which is not below it')

output="$(python3 "$ROOT/scripts/check-layers.py" "$MAP" "$copy/src" 2>&1;
          python3 "$ROOT/scripts/check-layers.py" "$copy/upward-link.txt" "$ROOT/src" 2>&1)"
status=0
for entry in "${cases[@]}"; do
  IFS='|' read -r _ _ expected <<<"$entry"
  grep -qF "layers: $expected" <<<"$output" || { echo "not reported: $expected"; status=1; }
done
[ $status -eq 0 ] && echo "every planted include and link refused" || echo "$output"
exit $status
