#!/bin/bash
# scripts/run.sh --debug: the movie waits for movdbg, which stops it at a
# breakpoint, shows the source line, the locals and a value, steps, and
# detaches, after which the movie plays on.
#   run-debug.sh BUILD_DIR
set -uo pipefail
what="run.sh --debug"
source "$(dirname "${BASH_SOURCE[0]}")/../common/run-script-test.sh" "$1"

cat > "$work/steps.js" <<'JS'
var total = 0;
function twice(n) {
  var doubled = n * 2;
  return doubled;
}
total = twice(21);
trace("total " + total);
JS
# movdbg reads its commands from the pipe, as typed at its prompt.
mkfifo "$work/commands"
setsid "$ROOT/scripts/run.sh" --debug "$work/steps.js" <"$work/commands" >"$output" 2>&1 &
runner=$!
exec 3>"$work/commands"
expect "stopped at steps.js:1 in global"
echo "break steps.js:3" >&3
expect "breakpoint 0 at steps.js:3"
echo "continue" >&3
expect "stopped at steps.js:3 in twice"
expect "$(printf '3\t  var doubled = n * 2;')"
echo "locals" >&3
expect "n = 21"
echo "next" >&3
expect "stopped at steps.js:4 in twice"
echo "print doubled + 1000" >&3
expect "1042"
grep -q "^total " "$output" && { echo "the movie ran on while it was stopped"; cat "$output"; exit 1; }
echo "quit" >&3
expect "total 42"
echo "movdbg stopped the movie at its breakpoint, showed its values, stepped and let it go"
