#!/usr/bin/env bash
# wendra-run against wendra-run-literal (the reference engine): for each
# argument list the output must be identical byte for byte, at 1, 2, 3 and 7
# threads.
set -u
run=$1
literal=$2
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
[[ $fail -eq 0 ]] && echo "${#cases[@]} argument lists identical at 1, 2, 3 and 7 threads"
exit $fail
