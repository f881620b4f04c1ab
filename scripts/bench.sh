#!/usr/bin/env bash
# Runs every benchmark of a build: the executables in BUILD/bin named *_bench.
set -euo pipefail
build=${1:-build}
status=0
found=0
for bench in "$build"/bin/*_bench; do
  [ -x "$bench" ] || continue
  found=1
  echo "== $(basename "$bench")"
  "$bench" || status=1
done
[ $found -eq 1 ] || echo "no benchmarks in $build/bin"
exit $status
