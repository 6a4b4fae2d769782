# Shared by the tests of scripts/run.sh: source it with the test's build
# folder as $1 and `what` naming the run for failure messages. It gives a
# scratch folder `work`, the file `output` the run writes to, and `runner`
# for the run's process group (ended with the test), and expect TEXT, which
# waits up to 20 s for a line holding TEXT and fails the test naming it.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export MOVARA_BUILD_DIR="$1" MOVARA_RUN_PREBUILT=1
work="$(mktemp -d)"
output="$work/output.txt"
runner=""
cleanup() {
  [ -n "$runner" ] && kill -- -"$runner" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
expect() {
  for _ in $(seq 100); do grep -qF -- "$1" "$output" && return 0; sleep 0.2; done
  echo "$what never printed: $1"; echo "--- it printed:"; cat "$output"; exit 1
}
