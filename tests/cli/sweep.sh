#!/usr/bin/env bash
# The sweep scripts: a sweep of two settings through GNU parallel equals the
# two runs made alone, labelled; the same sweep across two machines (a
# stand-in for ssh that runs the command here) and as a Slurm job array
# (its tasks run one by one with Slurm's variables set) give the same CSV;
# the plot script draws it; bad settings are refused.
#   sweep.sh RUN [LITERAL]
set -u
run=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
top=$(cd "$(dirname "$0")/../.." && pwd)
sweep=$top/scripts/sweep.sh
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
bad() { echo "FAIL: $*"; fail=1; }

options=(--width 7 --height 6 --population 31 --generations 40 --every 8 --runs 2)

# 1. Two settings through parallel against the runs alone.
"$sweep" --run "$run" pcross=0.3,0.9 -- "${options[@]}" >"$tmp/sweep.csv" 2>"$tmp/sweep.err" || bad "sweep failed"
[[ ! -s "$tmp/sweep.err" ]] || bad "sweep wrote on stderr: $(head -c 300 "$tmp/sweep.err")"
for pc in 0.3 0.9; do
  "$run" --pcross "$pc" "${options[@]}" >"$tmp/alone-$pc.csv"
done
{
  echo "label,$(head -n 1 "$tmp/alone-0.3.csv")"
  for pc in 0.3 0.9; do tail -n +2 "$tmp/alone-$pc.csv" | sed "s/^/pcross=$pc,/"; done
} >"$tmp/want.csv"
cmp -s "$tmp/sweep.csv" "$tmp/want.csv" || bad "sweep differs from the runs alone: $(diff "$tmp/sweep.csv" "$tmp/want.csv" | head -4)"
[[ $(wc -l <"$tmp/sweep.csv") -eq $((1 + 2 * 2 * 6)) ]] || bad "sweep rows: $(wc -l <"$tmp/sweep.csv")"
[[ $("$sweep" --count pcross=0.3,0.9) -eq 2 && $("$sweep" --count pcross=1,2,3 pmut=0,1 width=4,5) -eq 12 ]] ||
  bad "--count"

# A grid of two settings, in the order of parallel's input sources.
"$sweep" --run "$run" --jobs 3 pcross=0.3,0.9 pmut=0.01,0.2,0.5 -- "${options[@]}" >"$tmp/grid.csv" || bad "grid failed"
want="pcross=0.3 pmut=0.01|pcross=0.3 pmut=0.2|pcross=0.3 pmut=0.5|pcross=0.9 pmut=0.01|pcross=0.9 pmut=0.2|pcross=0.9 pmut=0.5"
got=$(tail -n +2 "$tmp/grid.csv" | cut -d, -f1 | uniq | paste -sd'|')
[[ "$got" == "$want" ]] || bad "grid order: $got"
"$run" --pcross 0.9 --pmut 0.2 "${options[@]}" --label "pcross=0.9 pmut=0.2" --no-header >"$tmp/one.csv"
grep '^pcross=0.9 pmut=0.2,' "$tmp/grid.csv" | cmp -s - "$tmp/one.csv" || bad "grid cell differs from its run alone"

# 2. Across two machines: ssh replaced by a script that runs the command
#    here, as the remote shell would (with the login's SHELL set, which
#    parallel's remote worker needs and a bare CI environment may lack).
cat >"$tmp/ssh" <<'EOF'
#!/usr/bin/env bash
export SHELL=${SHELL:-/bin/bash}
while [[ $# -gt 0 && $1 == -* ]]; do
  case $1 in -l | -p | -o | -i | -F | -S) shift 2 ;; *) shift ;; esac
done
echo "$1" >>"${0%/*}/hosts"
shift
[[ ${1:-} == -- ]] && shift
exec bash -c "$*"
EOF
chmod +x "$tmp/ssh"
PARALLEL="--ssh $tmp/ssh" "$sweep" --run "$run" --sshlogin 1/alpha,1/beta pcross=0.3,0.9 -- "${options[@]}" \
  >"$tmp/remote.csv" || bad "sweep across machines failed"
cmp -s "$tmp/remote.csv" "$tmp/sweep.csv" ||
  bad "sweep across machines differs: $(diff "$tmp/remote.csv" "$tmp/sweep.csv" | head -6)"
grep -qx alpha "$tmp/hosts" && grep -qx beta "$tmp/hosts" || bad "not both machines used: $(sort -u "$tmp/hosts" 2>/dev/null)"

# 3. The job array, task by task, joined as its comment says.
mkdir -p "$tmp/submit"
ln -s "$top/scripts" "$tmp/submit/scripts"
n=$("$sweep" --count pcross=0.3,0.9)
for ((i = 0; i < n; ++i)); do
  (cd "$tmp" && SLURM_ARRAY_TASK_ID=$i SLURM_ARRAY_JOB_ID=4711 SLURM_SUBMIT_DIR="$tmp/submit" SLURM_CPUS_PER_TASK=2 \
    WENDRA_RUN="$run" bash "$top/scripts/sweep.sbatch" pcross=0.3,0.9 -- "${options[@]}") || bad "array task $i failed"
done
[[ -s "$tmp/submit/sweep-4711-00001.csv" ]] || bad "no part of task 1: $(ls "$tmp/submit")"
{ "$sweep" --header --run "$run" -- "${options[@]}"; cat "$tmp"/submit/sweep-4711-*.csv; } >"$tmp/array.csv"
cmp -s "$tmp/array.csv" "$tmp/sweep.csv" || bad "job array differs: $(diff "$tmp/array.csv" "$tmp/sweep.csv" | head -4)"

# 4. The plot.
gnuplot -e "csv='$tmp/grid.csv'; png='$tmp/grid.png'" "$top/scripts/plot-sweep.gp" 2>"$tmp/plot.err" || bad "plot failed"
[[ $(head -c 4 "$tmp/grid.png" 2>/dev/null | od -An -tx1 | tr -d ' \n') == 89504e47 ]] || bad "no PNG: $(cat "$tmp/plot.err")"

# 5. Refusals: bad settings before anything runs, a bad value by the run.
for args in "pcross=" "pcross=0.3,,0.9" "Pcross=1" "pcross=1 2" "--task 2 pcross=0.3,0.9" "--task x pcross=1" \
            "--jobs 0 pcross=1" "" "--frob"; do
  # shellcheck disable=SC2086
  "$sweep" --run "$run" $args >"$tmp/out" 2>"$tmp/err"
  status=$?
  [[ $status -eq 2 && ! -s "$tmp/out" && -s "$tmp/err" ]] || bad "'$args': status $status, $(head -c 200 "$tmp/err")"
done
"$sweep" --run "$run" pcross=0.5,abc -- --generations 1 >"$tmp/out" 2>"$tmp/err"
status=$?
[[ $status -ne 0 ]] && grep -q "^wendra-run: --pcross must be" "$tmp/err" || bad "bad value: status $status, $(cat "$tmp/err")"

[[ $fail -eq 0 ]] && echo "sweeps ok"
exit $fail
