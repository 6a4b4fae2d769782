#!/bin/bash
# The test command: set up the machine, build both architectures and run
# their suites under Wine on a virtual display, each tree in a Wine prefix of
# its own: every suite on x64, on x86 all but those of X86_SKIPPED below. The
# x86 tree builds at low priority beside the x64 build and suites, in the
# time they leave the processors idle (links, configure steps, waits on
# Wine). Extra arguments go to both ctest runs. Exits non-zero when anything
# fails.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/arch.sh"

# What x86 skips (ctest labels), so that the test command stays within 20
# minutes on a fresh two-core machine: the soak run (40 s) makes 20,000 of the
# calls that e2e makes, to watch memory and handles, which grow alike on both
# architectures; the layer check reads the sources.
X86_SKIPPED='^(soak_tests|layers)$'

# test_suites ARCH [CTEST ARGUMENTS...]: runs the built tree's suites.
test_suites() {
  parse_arch --arch "$1"
  shift
  MOVARA_WINEPREFIX="${MOVARA_WINEPREFIX:-$BUILD/wineprefix}" \
    "$ROOT/scripts/wine-env.sh" ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)" "$@"
}

"$ROOT/scripts/setup.sh"
x64=passed
x86=passed
x86_log="$(mktemp)"
x86_build=""
# In a process group of its own, so that an early end stops the whole build;
# not in a session of its own, where the scheduler would give it an equal
# share whatever its priority.
trap '[ -n "$x86_build" ] && kill -- -"$x86_build" 2>/dev/null; rm -f "$x86_log"' EXIT
set -m
nice -n 19 "$ROOT/scripts/build.sh" --arch x86 >"$x86_log" 2>&1 </dev/null &
x86_build=$!
set +m

echo "test: building x64 (and x86 at low priority)" >&2
"$ROOT/scripts/build.sh"
echo "test: x64 suites" >&2
test_suites x64 "$@" || x64=FAILED

if wait "$x86_build"; then
  x86_build=""
  echo "test: x86 suites" >&2
  test_suites x86 -LE "$X86_SKIPPED" "$@" || x86=FAILED
else
  x86_build=""
  cat "$x86_log" >&2
  echo "test: the x86 build failed" >&2
  x86=FAILED
fi
echo "test: x64 $x64, x86 $x86"
[ "$x64" = passed ] && [ "$x86" = passed ]
