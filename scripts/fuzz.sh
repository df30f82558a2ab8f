#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a set time on its corpus.
# Usage: scripts/fuzz.sh BUILD_DIR SECONDS [TARGET...]
#
# New inputs go to a scratch folder, so tests/fuzz/corpus/ is only read. A
# target that finds a crash, a hang, a leak or undefined behaviour fails the
# run; its inputs and log are kept in the scratch folder, whose name is
# printed. Per target it prints the executions, the coverage reached (cov:
# edges, ft: features) and the peak memory.
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-60}
shift $(( $# >= 2 ? 2 : $# ))
root=$(cd "$(dirname "$0")/.." && pwd)

# Undefined behaviour is an error, not a warning; leaks inside the system's
# font and platform libraries are not ours.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp
export QT_QPA_PLATFORM=offscreen

if [[ $# -gt 0 ]]; then
  targets=()
  for name in "$@"; do targets+=("$build/tests/fuzz/${name}_fuzz"); done
else
  targets=("$build"/tests/fuzz/*_fuzz)
fi

status=0
for target in "${targets[@]}"; do
  name=$(basename "$target" _fuzz)
  corpus="$root/tests/fuzz/corpus/$name"
  work=$(mktemp -d "${TMPDIR:-/tmp}/fuzz-$name.XXXXXX")
  options=(-max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=4096)
  case $name in
    # Restoring into a real window: Qt keeps adding to its caches, so the
    # leak check after each run (which would find only those) is left to
    # the sanitized test suite; memory growth still hits the RSS limit.
    form_storage) options+=(-detect_leaks=0) ;;
  esac
  echo "== $name: ${seconds} s"
  set +e
  (cd "$work" && "$target" "${options[@]}" "$work" "$corpus" >"$work/log" 2>&1)
  result=$?
  set -e
  grep -E '^#[0-9]+[[:space:]]+DONE' "$work/log" | tail -1 | sed 's/^/   /' || true
  grep -E 'stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$work/log" | sed 's/^/   /' || true
  if [[ $result -ne 0 ]] || ls "$work"/crash-* "$work"/timeout-* "$work"/leak-* "$work"/oom-* >/dev/null 2>&1; then
    echo "FAILED: $name (status $result); inputs and log in $work"
    grep -vE '^#[0-9]+' "$work/log" | tail -40
    status=1
  else
    rm -rf "$work"
  fi
done
exit $status
