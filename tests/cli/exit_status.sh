#!/usr/bin/env bash
# wendra-run's exit statuses and streams: bad arguments give status 2, one
# line on stderr and nothing on stdout; a population that cannot get its
# memory gives status 1 with the message; --help gives usage and status 0.
set -u
run=$1
fail=0
limit=  # address space for the run in KiB (ulimit -v), when set
check() {  # expected-status args...
  local want=$1; shift
  local out err status
  out=$( (if [[ -n $limit ]]; then ulimit -v "$limit"; fi; exec "$run" "$@") 2>/tmp/wendra-run-err.$$); status=$?
  err=$(cat /tmp/wendra-run-err.$$)
  if [[ $status -ne $want ]]; then echo "FAIL: $* -> status $status, wanted $want"; fail=1; fi
  if [[ $want -ne 0 ]]; then
    [[ -z "$out" ]] || { echo "FAIL: $* printed on stdout: $out"; fail=1; }
    [[ $(printf '%s\n' "$err" | wc -l) -eq 1 && -n "$err" ]] || { echo "FAIL: $* stderr not one line: $err"; fail=1; }
  fi
}
for bad in "--width 3" "--width=10x" "--height" "--population 0" "--pcross abc" "--pmut 1e999" \
           "--generations 1.5" "--runs 1001" "--threads 0" "--encoding both" "--nope" "extra" "--tour=1"; do
  # shellcheck disable=SC2086
  check 2 $bad
done
# A population beyond what may be allocated (some 20 GB in 4 GB of address
# space), where the build can run under such a limit (AddressSanitizer's
# cannot).
if (ulimit -v 4000000; "$run" --generations 0 >/dev/null 2>&1; status=$?; exit $status) 2>/dev/null; then
  limit=4000000
  check 1 --width 100 --height 100 --population 1000000
  err=$( (ulimit -v "$limit"; exec "$run" --width 100 --height 100 --population 1000000) 2>&1 >/dev/null)
  [[ "$err" =~ ^"wendra-run: Not enough memory for 1000000 members on a 100 x 100 grid: "[0-9]+" MB needed, "[0-9]+" MB available"$ ]] \
    || { echo "FAIL: memory message: $err"; fail=1; }
  limit=
fi
check 0 --help
"$run" --help | grep -q -- '--encoding' || { echo "FAIL: usage"; fail=1; }
rows=$("$run" --generations 5 --runs 2 | wc -l)
[[ $rows -eq 13 ]] || { echo "FAIL: rows $rows"; fail=1; }
rm -f /tmp/wendra-run-err.$$
[[ $fail -eq 0 ]] && echo "exit statuses ok"
exit $fail
