# Shared by the tests of scripts/run.sh: source it after setting `output`
# (the file the run writes to) and `what` (the run, for failure messages).
# expect TEXT waits up to 20 s for a line holding TEXT; fails the test naming it.
expect() {
  for _ in $(seq 100); do grep -qF -- "$1" "$output" && return 0; sleep 0.2; done
  echo "$what never printed: $1"; echo "--- it printed:"; cat "$output"; exit 1
}
