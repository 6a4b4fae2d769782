#!/bin/bash
# Sets up, builds and runs Movara's benchmarks and prints one table: each job
# against the floor under it (the library or system doing the same work), the
# ratio, the goal and a verdict. Benchmarks never fail because a machine is
# slow: the exit status only says whether they could run.
#   scripts/bench.sh [--min-time SECONDS] [--filter REGEX]
#   --min-time  time each benchmark runs at least (default 0.2; 0.05 is quick)
#   --filter    only the benchmarks whose "job:size:side" name matches
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MOVARA_BUILD_DIR:-$ROOT/build}"
export MOVARA_WINEPREFIX="${MOVARA_WINEPREFIX:-$BUILD/wineprefix}"

min_time=0.2
filter=""
while [ $# -gt 0 ]; do
  case "$1" in
    --min-time) min_time="$2"; shift 2 ;;
    --filter) filter="$2"; shift 2 ;;
    -h|--help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench: unknown argument $1" >&2; exit 2 ;;
  esac
done

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" --target movara_benchmarks >/dev/null

RESULTS="$BUILD/bench/results"
rm -rf "$RESULTS"
mkdir -p "$RESULTS"
# Timing needs Wine's debug channels off whatever the caller's environment says.
export WINEDEBUG=-all

args=(--benchmark_format=json "--benchmark_min_time=${min_time}s")
[ -n "$filter" ] && args+=("--benchmark_filter=$filter")
for program in "$BUILD"/bench/*_bench.exe; do
  name="$(basename "$program" .exe)"
  echo "bench: running $name" >&2
  "$ROOT/scripts/wine-env.sh" wine64 "$program" "${args[@]}" >"$RESULTS/$name.json" </dev/null
done

"$ROOT/scripts/bench-table.py" "$RESULTS"
