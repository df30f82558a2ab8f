#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a set time on its corpus.
# Usage: scripts/fuzz.sh BUILD_DIR SECONDS
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for target in "$build"/tests/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  corpus="$root/tests/fuzz/corpus/$name"
  work=$(mktemp -d)
  mkdir -p "$corpus"
  echo "== $name: ${seconds} s"
  if ! (cd "$work" && "$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=4096 \
        "$work" "$corpus" 2>&1 | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY|Done' ); then
    :
  fi
  if ls "$work"/crash-* "$work"/timeout-* "$work"/leak-* >/dev/null 2>&1; then
    echo "FAILED: $name found inputs in $work"; status=1
  else
    rm -rf "$work"
  fi
done
exit $status
