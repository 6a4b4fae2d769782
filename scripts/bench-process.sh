#!/bin/bash
# Runs inside scripts/wine-env.sh for scripts/bench.sh: times start-up (to
# movara.exe's first trace, and to a minimal window program's "ready") and
# the movie's own timing of 10,000 calls, and measures the memory a 10 MB
# string round trip takes above the idle program. Writes Google Benchmark
# JSON (and extra table rows) to the file named by its first argument.
set -uo pipefail
OUT="$1"
BUILD="$2"
RUNS="${3:-3}"
windows_path() { echo "Z:$(realpath -m "$1" | tr / '\\')"; }

# Starts a Windows program, waits for a line matching PATTERN on its output
# (at most 60 s), prints the milliseconds it took and the line, then ends it.
# With PEAK set, also prints the process's resident memory (kB) a second after
# the first line and its peak at the matching line ("ms|line|idle|peak").
program=""
stop_program() {
  if [ -n "$program" ]; then
    kill "$program" 2>/dev/null
    wait "$program" 2>/dev/null
    program=""
  fi
}
trap stop_program EXIT
time_to_line() {  # PATTERN PROGRAM [ARGS...]
  local pattern="$1" fifo start line idle="" ms
  shift
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  start=$(date +%s%N)
  wine64 "$@" >"$fifo" 2>/dev/null </dev/null &
  program=$!
  exec 7<"$fifo"
  while IFS= read -r -t 60 line <&7; do
    if [ -n "${PEAK:-}" ] && [ -z "$idle" ]; then
      sleep 1  # the movie waits 2 s before its round trip
      idle=$(awk '/^VmRSS/ {print $2}' "/proc/$program/status" 2>/dev/null)
    fi
    if [[ "$line" =~ $pattern ]]; then
      ms=$(( ($(date +%s%N) - start) / 1000000 ))
      echo "$ms|$line|$idle|$(awk '/^VmHWM/ {print $2}' "/proc/$program/status" 2>/dev/null)"
      break
    fi
  done
  exec 7<&-
  rm -f "$fifo"
  stop_program
}

entries=()
rows=()
add_entry() { entries+=("{\"name\": \"$1\", \"real_time\": $2, \"cpu_time\": $2, \"time_unit\": \"ms\"}"); }

movara=0 floor=0 calls=""
for _ in $(seq "$RUNS"); do
  result=$(time_to_line '^bench: calls' "$BUILD/bin/movara.exe" "$(windows_path "$BUILD/bench/Startup.js")")
  calls="${result#*|}"; calls="${calls%%|*}"
  first=$(time_to_line '^bench: first trace' "$BUILD/bin/movara.exe" "$(windows_path "$BUILD/bench/Startup.js")")
  movara=$((movara + ${first%%|*}))
  ready=$(time_to_line '^ready' "$BUILD/bench/minimal_window.exe")
  floor=$((floor + ${ready%%|*}))
done
add_entry "start-up:to first trace:movara/real_time" $((movara / RUNS))
add_entry "start-up:to first trace:floor/real_time" $((floor / RUNS))
ms="${calls##* }"
# The same calls against the stand-in answering at once (player_bench).
add_entry "movie calls the host:10000 calls:movara/real_time" "$ms"
# A 1 MB string to the host and back, 10 times, timed by the movie.
big=$(time_to_line '^bench: big calls' "$BUILD/bin/movara.exe" "$(windows_path "$BUILD/bench/BigCall.js")")
big="${big#*|}"; big="${big%%|*}"
[[ "$big" =~ ms\ ([0-9]+) ]] && add_entry "movie passes 1 MB to the host:10 calls:movara/real_time" "${BASH_REMATCH[1]}"
rows+=("{\"job\": \"bridge call in a movie\", \"size\": \"10000 calls\", \"movara\": \"$(awk "BEGIN {printf \"%.1f us/call\", $ms * 1000 / 10000}")\", \"reference\": \"-\", \"goal\": \"report\", \"verdict\": \"reported ($ms ms in all)\"}")

# The peak above the idle program, with the round trip and with the movie
# only building its string: the difference is the host's and the bridge's.
peak_above_idle() {  # MOVIE -> "MB|line"
  local result line idle peak
  result=$(PEAK=1 time_to_line '^bench: round trip' "$BUILD/bin/movara.exe" "$(windows_path "$BUILD/bench/$1")")
  IFS='|' read -r _ line idle peak <<<"$result"
  [ -n "$peak" ] && [ -n "$idle" ] && echo "$(( (peak - idle) / 1024 ))|${line//\"/}"
}
with=$(peak_above_idle BigString.js)
without=$(peak_above_idle BigStringOnly.js)
if [ -n "$with" ] && [ -n "$without" ]; then
  extra=$(( ${with%%|*} - ${without%%|*} ))
  verdict="within goal"
  [ "$extra" -le 40 ] || verdict="OVER goal"
  rows+=("{\"job\": \"memory 10 MB string round trip\", \"size\": \"10 MB\", \"movara\": \"+${with%%|*} MB peak\", \"reference\": \"+${without%%|*} MB (movie alone)\", \"ratio\": $(awk "BEGIN {print $extra / 10}"), \"goal\": \"<= 4x the string\", \"verdict\": \"$verdict: the calls add $extra MB (${with#*|})\"}")
fi

(IFS=,; echo "{\"benchmarks\": [${entries[*]}], \"rows\": [${rows[*]}]}") >"$OUT"
