#!/bin/bash
# A packaged movie runs where a user unpacks it: scripts/package.sh builds the
# folder and zip from a script movie; the zip is unpacked into a fresh folder
# and NAME.exe runs there under Wine. The movie may write into its data folder
# and nothing beside the program.   package-runs.sh BUILD_DIR x64|x86
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/scripts/arch.sh"
export MOVARA_BUILD_DIR="$1" MOVARA_X86_BUILD_DIR="$1" MOVARA_PACKAGE_PREBUILT=1
parse_arch --arch "$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat > "$work/notes.js" <<'JS'
function attempt(label, path) {
  var answer = ExternalInterface.call("saveTextFile", path, "x", "UTF-8");
  trace(label + " " + (answer === null ? "written" : answer.message));
}
attempt("data", ExternalInterface.call("getAppPath") + "data\\n.txt");
attempt("beside", ExternalInterface.call("getAppPath") + "n.txt");
ExternalInterface.call("closeApp");
JS
"$ROOT/scripts/package.sh" --arch "$ARCH" "$work/notes.js" "$work/Notes" --name Notes >"$work/package.log" 2>&1 ||
  { cat "$work/package.log"; echo "package.sh failed"; exit 1; }

mkdir "$work/unpacked"
python3 -m zipfile -e "$work/Notes.zip" "$work/unpacked"
app="$work/unpacked/Notes"
status=0
for file in Notes.exe MovaraFlashPlayer.dll Ovara.swf Movara.xml README.txt; do
  [ -f "$app/$file" ] || { echo "the zip lacks $file"; status=1; }
done
[ -d "$app/data" ] || { echo "the zip lacks the data folder"; status=1; }
"$TRIPLE-objdump" -h "$app/Notes.exe" | grep -q debug_info && { echo "Notes.exe is not stripped"; status=1; }

output="$(cd "$work" && timeout 60 "$WINE" "$app/Notes.exe" 2>/dev/null | tr -d '\r')"
expected="data written
movara: \"saveTextFile\": refused write of $(echo "Z:$app/n.txt" | tr / '\\'): no rule allows it
beside file access exception"
[ "$output" = "$expected" ] || { echo "the packaged movie printed:"; echo "$output"; echo "--- expected:"; echo "$expected"; status=1; }
[ -f "$app/data/n.txt" ] || { echo "nothing was written into data"; status=1; }
[ ! -e "$app/n.txt" ] || { echo "the movie wrote beside the program"; status=1; }
[ $status -eq 0 ] && echo "the packaged movie ran from the unpacked zip"
exit $status
