#!/bin/bash
# scripts/run.sh --watch: the movie plays, a saved script is rebuilt and
# reloaded in the same window, and a script that does not compile is reported
# with its file, line and column while the last good movie plays on.
#   run-watch.sh BUILD_DIR
set -uo pipefail
what="run.sh --watch"
source "$(dirname "${BASH_SOURCE[0]}")/../common/run-script-test.sh" "$1"

echo 'trace("version one");' > "$work/live.js"
setsid "$ROOT/scripts/run.sh" --watch "$work/live.js" >"$output" 2>&1 &
runner=$!
expect "version one"

sleep 1.1  # a new modification time, whatever the file system's resolution
echo 'trace("version two");' > "$work/live.js"
expect "version two"
expect "changed, reloading it"

sleep 1.1
printf 'trace("three");\nvar = ;\n' > "$work/live.js"
expect "live.js:2:5: SyntaxError"
kill -0 "$runner" 2>/dev/null || { echo "the program ended after a failed build"; cat "$output"; exit 1; }
grep -q "three" "$output" && { echo "a script that does not compile was played"; exit 1; }
echo "the movie was rebuilt and reloaded, and a broken script left it playing"
