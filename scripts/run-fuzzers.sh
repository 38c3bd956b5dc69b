#!/usr/bin/env bash
# Runs every fuzz target of a build for a while on its seed corpus: run-fuzzers.sh <build> [seconds]
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
shopt -s nullglob
for target in "$build"/bin/fuzz_*; do
  name=${target##*/fuzz_}
  corpus="$root/fuzz/corpus/$name"
  work=$(mktemp -d)
  [[ -d "$corpus" ]] && cp -r "$corpus"/. "$work"/
  echo "== fuzz_$name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$build/fuzz-artifacts-$name-" "$work" 2>"$build/fuzz_$name.log"; then
    echo "fuzz_$name FAILED; last lines of $build/fuzz_$name.log:"
    tail -n 40 "$build/fuzz_$name.log"
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "$build/fuzz_$name.log" | tail -n 2 || true
  fi
  rm -rf "$work"
done
exit $status
