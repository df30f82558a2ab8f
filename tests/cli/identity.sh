#!/usr/bin/env bash
# wendra-run against wendra-run-literal (the reference engine): for each
# argument list the output must be identical byte for byte, at 1, 2, 3 and 7
# threads. The fixed lists below are followed by COUNT lists drawn at random
# from SEED (defaults 7 and 12, the same lists on every run); other seeds
# sweep further:
#   identity.sh RUN LITERAL [SEED [COUNT]]
set -u
run=$1
literal=$2
seed=${3:-7}
count=${4:-12}
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cases=(
  "--encoding key --generations 30 --tour"
  "--encoding path --generations 30 --tour"
  "--encoding key --width 7 --height 5 --population 13 --pcross 1 --pmut 1 --generations 12 --runs 2 --tour"
  "--encoding path --width 7 --height 5 --population 13 --pcross 1.5 --pmut 1.5 --generations 12 --runs 2 --tour"
  "--encoding key --width 4 --height 4 --population 2 --pcross 0 --pmut 0 --generations 20 --tour"
  "--encoding path --width 4 --height 4 --population 3 --pcross -1 --pmut -0.5 --generations 20 --tour"
  "--encoding key --width 30 --height 30 --population 151 --pmut 0.02 --pcross 0.8 --generations 4"
  "--encoding path --width 30 --height 30 --population 151 --pmut 0.02 --pcross 0.8 --generations 6 --tour"
  "--encoding path --width 100 --height 100 --population 3 --pmut 0.001 --pcross 1 --generations 2 --tour"
  "--encoding key --width 100 --height 100 --population 3 --pmut 0.01 --generations 2 --tour"
)
# Random lists: both encodings, square and oblong grids, odd and even
# populations, probabilities at 0, 1, beyond 1 and in between. Grids with
# many cities get few members, as the reference's creation is slow there.
RANDOM=$seed
# pick NAME CHOICE...: NAME becomes one of the choices (no subshell, which
# would reseed RANDOM).
pick() {
  local -n into=$1
  shift
  local choices=("$@")
  into=${choices[RANDOM % ${#choices[@]}]}
}
for ((c = 0; c < count; ++c)); do
  pick encoding path key
  pick width 4 5 7 10 13 16 20 31 47 64 100
  pick height 4 6 10 11 17 30 33 50 100
  if ((width * height > 2000)); then
    pick population 2 3 5 8 11
    pick generations 1 3 6
  elif ((width * height > 300)); then
    pick population 2 3 17 40 65 101
    pick generations 2 10 25
  else
    pick population 2 3 4 9 50 99 100 257 1000 3001
    pick generations 5 30 120
  fi
  pick pcross 0 0.5 1 1.7 0.999999 1e-9 0.25 0.73
  pick pmut 0 0.07 0.001 0.5 1 2 0.0001 0.33 0.99
  pick runs 1 1 2 3
  pick tour "" --tour
  cases+=("--encoding $encoding --width $width --height $height --population $population \
--generations $generations --pcross $pcross --pmut $pmut --runs $runs $tour")
done

for args in "${cases[@]}"; do
  # shellcheck disable=SC2086
  "$literal" $args >"$tmp/want" 2>&1 || { echo "FAIL: reference run failed: $args"; fail=1; continue; }
  for threads in 1 2 3 7; do
    # shellcheck disable=SC2086
    "$run" $args --threads $threads >"$tmp/got" 2>&1
    if ! cmp -s "$tmp/want" "$tmp/got"; then
      echo "FAIL: output differs at --threads $threads: $args"
      diff "$tmp/want" "$tmp/got" | head -5
      fail=1
    fi
  done
done
[[ $fail -eq 0 ]] && echo "${#cases[@]} argument lists (seed $seed) identical at 1, 2, 3 and 7 threads"
exit $fail
