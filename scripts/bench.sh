#!/bin/bash
# Sets up, builds and runs Movara's benchmarks and prints one table: each job
# against the floor under it (the library or system doing the same work), the
# ratio, the goal and a verdict. Benchmarks never fail because a machine is
# slow: the exit status only says whether they could run.
#   scripts/bench.sh [--min-time SECONDS] [--repetitions N] [--filter REGEX]
#   --min-time     time each benchmark runs at least (default 0.2; 0.05 is quick)
#   --repetitions  runs of each benchmark; the table shows the fastest, which
#                  the machine's other load disturbed least (default 3)
#   --filter       only the benchmarks whose "job:size:side" name matches
#                  (a regular expression; "start-up" or "memory" for the program runs)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MOVARA_BUILD_DIR:-$ROOT/build}"
export MOVARA_WINEPREFIX="${MOVARA_WINEPREFIX:-$BUILD/wineprefix}"

min_time=0.2
repetitions=3
filter=""
while [ $# -gt 0 ]; do
  case "$1" in
    --min-time) min_time="$2"; shift 2 ;;
    --repetitions) repetitions="$2"; shift 2 ;;
    --filter) filter="$2"; shift 2 ;;
    -h|--help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench: unknown argument $1" >&2; exit 2 ;;
  esac
done

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" --target movara_benchmarks >/dev/null

RESULTS="$BUILD/bench/results"
rm -rf "$RESULTS"
mkdir -p "$RESULTS"
# Benchmark data (file trees, movies) is made on first use and kept here, where
# the native references reach it too; Wine sees the Unix root as drive Z:.
DATA="$BUILD/bench/data"
mkdir -p "$DATA"
export MOVARA_BENCH_DATA="Z:${DATA//\//\\}"
# Timing needs Wine's debug channels off whatever the caller's environment says.
export WINEDEBUG=-all

args=(--benchmark_format=json "--benchmark_min_time=${min_time}s" "--benchmark_repetitions=${repetitions}")
[ -n "$filter" ] && args+=("--benchmark_filter=$filter")
for program in "$BUILD"/bench/*_bench.exe; do
  name="$(basename "$program" .exe)"
  echo "bench: running $name" >&2
  "$ROOT/scripts/wine-env.sh" wine64 "$program" "${args[@]}" >"$RESULTS/$name.json" </dev/null
done

# GNU tar on the trees the archive benchmarks used, timed by the clock as
# they are: the average of 3 runs, each extraction into an empty folder.
tar_results=()
tar_result() {  # NAME SECONDS
  tar_results+=("{\"name\": \"$1\", \"real_time\": $2, \"cpu_time\": $2, \"time_unit\": \"ms\"}")
}
tar_pair() {  # TREE JOB SIZE
  local tree="$1" job="$2" size="$3" out="$DATA/$1-tar-out" create=0 extract=0 start
  [ -d "$DATA/$tree" ] || return 0
  echo "bench: running GNU tar on $tree" >&2
  for _ in 1 2 3; do
    start=$(date +%s%N)
    tar cf "$DATA/$tree-tar.tar" -C "$DATA" "$tree"
    create=$((create + $(date +%s%N) - start))
    rm -rf "$out" && mkdir -p "$out"
    start=$(date +%s%N)
    tar xf "$DATA/$tree-tar.tar" -C "$out"
    extract=$((extract + $(date +%s%N) - start))
  done
  rm -rf "$out"
  # Nanoseconds in all, as milliseconds per run. Native tar is a report; the
  # floor of creation is archive_floor under Wine, and of extraction still tar.
  tar_result "archive create $job:$size:tar/real_time" "$((create / 3000000))"
  tar_result "archive extract $job:$size:floor/real_time" "$((extract / 3000000))"
}
# The least Windows program reading the same files and writing one file of
# the size of the archive file_bench made: the floor of archive creation.
floor_pair() {  # TREE JOB SIZE
  local tree="$1" archive="$DATA/$1-movara.tar" ms
  [ -d "$DATA/$tree" ] && [ -f "$archive" ] || return 0
  echo "bench: running archive_floor on $tree" >&2
  ms=$("$ROOT/scripts/wine-env.sh" wine64 "$BUILD/bench/archive_floor.exe" "$MOVARA_BENCH_DATA\\$tree" \
    "$MOVARA_BENCH_DATA\\$tree-floor.out" "$(stat -c %s "$archive")" 5 </dev/null | tr -d '\r')
  rm -f "$DATA/$tree-floor.out"
  [ -n "$ms" ] && tar_result "archive create $2:$3:floor/real_time" "$ms"
}
if [ -z "$filter" ] || [[ "archive" =~ $filter ]] || [[ "$filter" =~ archive ]]; then
  tar_pair small-files "1 KB files" "10000 x 1 KB"
  tar_pair large-files "large files" "10 x 10 MB"
  floor_pair small-files "1 KB files" "10000 x 1 KB"
  floor_pair large-files "large files" "10 x 10 MB"
fi
(IFS=,; echo "{\"benchmarks\": [${tar_results[*]}]}") >"$RESULTS/gnu_tar.json"

# Start-up, calls timed inside a movie and memory: whole programs under Wine.
if [ -z "$filter" ] || [[ "start-up memory movie" =~ $filter ]]; then
  echo "bench: running movara.exe and a minimal window program" >&2
  "$ROOT/scripts/wine-env.sh" "$ROOT/scripts/bench-process.sh" "$RESULTS/process.json" "$BUILD" 3
fi

"$ROOT/scripts/bench-table.py" "$RESULTS"
