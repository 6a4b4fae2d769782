#!/bin/bash
# The layer check must catch an include that runs up the layers: a copy of the
# sources with one planted in the bottom layer has to fail, naming the file.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
copy="$(mktemp -d)"
trap 'rm -rf "$copy"' EXIT
cp -r "$ROOT/src" "$copy/src"
echo '#include "FlashEx/services/FlashExServiceFile.h"' >> "$copy/src/tbx/Base64.cpp"
output="$("$ROOT/scripts/check-layers.sh" "$copy/src" 2>&1)" && { echo "planted include passed: $output"; exit 1; }
grep -q 'tbx/Base64.cpp includes FlashEx/services/FlashExServiceFile.h' <<<"$output" || { echo "$output"; exit 1; }
echo "planted include refused"
