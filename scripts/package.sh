#!/bin/bash
# Packages a movie as a program a Windows user unpacks and runs:
#   scripts/package.sh [--arch x64|x86] MOVIE.js|MOVIE.swf OUT [--name NAME] [--settings FILE]
# The x64 program (the default) runs on 64-bit Windows, the x86 one on 32- and
# 64-bit Windows. Makes the folder OUT and the archive OUT.zip holding: NAME.exe (movara.exe,
# stripped; NAME defaults to movara), the player DLL, the movie as the default
# movie Ovara.swf (a .js script is built with mkswf), Movara.xml (FILE, or a
# policy that lets the movie read and write only its own folder "data"), the
# empty folder data and a short read-me. OUT must not exist yet.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/arch.sh"
parse_arch "$@"
set -- "${ARCH_REST[@]}"
export MOVARA_WINEPREFIX="${MOVARA_WINEPREFIX:-$BUILD/wineprefix}"

usage() { sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; }
fail() { echo "package: $*" >&2; exit 1; }

name=movara
settings=""
positional=()
while [ $# -gt 0 ]; do
  case "$1" in
    --name) [ $# -ge 2 ] || fail "--name needs a value"; name="$2"; shift 2 ;;
    --settings) [ $# -ge 2 ] || fail "--settings needs a file"; settings="$2"; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    -*) usage >&2; fail "unknown option $1" ;;
    *) positional+=("$1"); shift ;;
  esac
done
[ ${#positional[@]} -eq 2 ] || { usage >&2; exit 2; }
movie="${positional[0]}"
out="${positional[1]%/}"
[ -f "$movie" ] || fail "no movie file $movie"
case "${movie,,}" in *.js|*.swf) ;; *) fail "the movie must be a .js script or a .swf file: $movie" ;; esac
[[ "$name" =~ ^[A-Za-z0-9._-]+$ ]] || fail "the name may hold letters, digits, '.', '_' and '-' only: $name"
[ -z "$settings" ] || [ -f "$settings" ] || fail "no settings file $settings"
[ ! -e "$out" ] || fail "$out exists already; give a new folder"

# The test of this script packages what the test command has just built.
if [ -z "${MOVARA_PACKAGE_PREBUILT:-}" ]; then
  "$ROOT/scripts/setup.sh"
  "$ROOT/scripts/build.sh" --arch "$ARCH" --target movara MovaraFlashPlayer mkswf >/dev/null
fi

mkdir -p "$out/data"
# On failure nothing half made is left behind.
trap 'rm -rf "$out" "$out.zip"' ERR
windows_path() { echo "Z:$(realpath -m "$1" | tr / '\\')"; }

"$TRIPLE-strip" -o "$out/$name.exe" "$BUILD/bin/movara.exe"
"$TRIPLE-strip" -o "$out/MovaraFlashPlayer.dll" "$BUILD/bin/MovaraFlashPlayer.dll"
if [[ "${movie,,}" == *.js ]]; then
  "$ROOT/scripts/wine-run.sh" "$BUILD/bin/mkswf.exe" -o "$(windows_path "$out/Ovara.swf")" "$(windows_path "$movie")"
else
  cp "$movie" "$out/Ovara.swf"
fi

if [ -n "$settings" ]; then
  cp "$settings" "$out/Movara.xml"
else
  cat > "$out/Movara.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<settings>
  <security>
    <fileAccess>
      <allow match="dir" access="rw">%MVR_APP_PATH%\data</allow>
    </fileAccess>
  </security>
</settings>
XML
fi
sed -i 's/$/\r/' "$out/Movara.xml"

windows="64-bit Windows 7 or later"
[ "$ARCH" = x86 ] && windows="32- or 64-bit Windows 7 or later"
cat > "$out/README.txt" <<TEXT
$name
Start $name.exe to play the movie (Ovara.swf). It runs on $windows
and needs nothing else installed.

Movara.xml holds the security policy: which folders the movie may read,
write and start programs from. As shipped, the movie may read and write only
the folder "data" beside the program.

To see the movie's trace output, start "$name.exe Ovara.swf /trace" and read
Ovara.trace.txt; "$name.exe /policy PATH" tells what the policy allows for
PATH. "$name.exe /?" lists the command line.
TEXT
sed -i 's/$/\r/' "$out/README.txt"

rm -f "$out.zip"
(cd "$(dirname "$out")" && python3 -m zipfile -c "$(basename "$out").zip" "$(basename "$out")")
echo "package: $out and $out.zip"
