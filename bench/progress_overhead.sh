#!/usr/bin/env bash
# What wendra-run's progress line costs: the same runs on a pseudo-terminal
# (script, from util-linux) with the line and with --quiet, taking turns,
# ROUNDS times each; prints the medians of the wall times and of the
# processor times (user + system, all threads: the line's own included) and
# their ratios, line / quiet; then the processor time of the line's own
# thread as a share of the run's, which this machine's noise cannot hide.
#   progress_overhead.sh WENDRA-RUN [ROUNDS (default 9)]
# Two cases: many short generations (the default problem, where the run's
# two stores per generation weigh most) and few long ones on all cores
# (where the line's thread competes with the engine's workers).
set -euo pipefail
run=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
rounds=${2:-9}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cases=(
  "--generations 30000"
  "--encoding path --width 100 --height 100 --population 2000 --generations 40"
)

# "wall cpu" seconds of one run on a terminal, stdout discarded, as bash's
# time reports them from inside the terminal.
seconds() {
  SHELL=/bin/bash script -qec "TIMEFORMAT='%R %U %S'; time '$run' $1 >/dev/null" /dev/null </dev/null |
    tr '\r' '\n' | awk 'NF == 3 && $1 ~ /^[0-9.]+$/ { print $1, $2 + $3 }' | tail -n 1
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "load before: $(uptime)"
printf '%-76s %8s %8s %7s | %8s %8s %7s\n' "case" "wall" "quiet" "ratio" "cpu" "quiet" "ratio"
for args in "${cases[@]}"; do
  : >"$tmp/shown" && : >"$tmp/quiet"
  for ((r = 0; r < rounds; ++r)); do
    seconds "$args" >>"$tmp/shown"
    seconds "$args --quiet" >>"$tmp/quiet"
  done
  wa=$(cut -d' ' -f1 "$tmp/shown" | median) wb=$(cut -d' ' -f1 "$tmp/quiet" | median)
  ca=$(cut -d' ' -f2 "$tmp/shown" | median) cb=$(cut -d' ' -f2 "$tmp/quiet" | median)
  printf '%-76s %8.3f %8.3f %7.4f | %8.3f %8.3f %7.4f\n' "$args" "$wa" "$wb" "$(echo "$wa / $wb" | bc -l)" \
    "$ca" "$cb" "$(echo "$ca / $cb" | bc -l)"
done

# The line's own thread, directly: its processor time against that of all
# the run's threads, from the kernel's per-thread run times (schedstat, ns),
# after 10 s of each case on a terminal. The line's thread is the first one
# started after the main thread (the engine's helpers start later, on the
# first large step).
watch() {
  "$run" $1 --generations 100000000 >/dev/null &
  local pid=$! t
  sleep 10
  for t in $(ls /proc/$pid/task | sort -n); do echo "TASK $(cut -d' ' -f1 /proc/$pid/task/$t/schedstat)"; done
  kill $pid
}
export -f watch
export run
echo
printf '%-76s %10s %10s %8s\n' "case" "line ms" "run ms" "share"
for args in "${cases[@]}"; do
  SHELL=/bin/bash script -qec "watch '$args'" /dev/null </dev/null | tr '\r' '\n' | grep -o 'TASK [0-9]*' |
    awk -v args="$args" '{ ns[NR] = $2; total += $2 }
      END { printf "%-76s %10.1f %10.1f %7.3f%%\n", args, ns[2] / 1e6, total / 1e6, 100 * ns[2] / total }'
done
echo "load after:  $(uptime)"
