#!/usr/bin/env bash
# Builds the benchmarks in Release and prints the engine's table.
# Usage: scripts/bench.sh [build-dir] [engine_bench options, e.g. --quick]
# The Release build goes to <build-dir>-bench, beside the regular build.
set -euo pipefail
build=${1:-build}
shift || true
dir="${build%/}-bench"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DWENDRA_BUILD_UI=OFF -DWENDRA_BUILD_TESTS=OFF \
  -DWENDRA_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" --target engine_bench -j "$(nproc)" >/dev/null
echo "load before: $(uptime)"
"$dir/bench/engine_bench" "$@" 2>"$dir/engine_bench.log"
echo "load after:  $(uptime)"
echo "(progress and Google Benchmark's lines: $dir/engine_bench.log)"
