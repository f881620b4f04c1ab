#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds, each on its own corpus
# (seeded from fuzz/seeds/<target>), and keeps what a crash leaves in fuzz/crashes/.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for target in "$build"/bin/fuzz_*; do
  name=$(basename "$target")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus" "$root/fuzz/crashes"
  seeds="$root/fuzz/seeds/$name"
  [ -d "$seeds" ] || seeds=""
  echo "== $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -artifact_prefix="$root/fuzz/crashes/$name-" \
       -print_final_stats=1 "$corpus" $seeds 2>"$build/$name.log"; then
    status=1
    echo "$name: crash, see $build/$name.log"
  fi
  grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$build/$name.log" | tail -2
done
exit $status
