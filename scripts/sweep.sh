#!/usr/bin/env bash
# A sweep: wendra-run once for every combination of the settings given, with
# GNU parallel on this machine's cores or on several machines, or one
# combination per task of a Slurm job array (scripts/sweep.sbatch). Each row
# carries its settings in a first column, label ("pcross=0.3 pmut=0.07"),
# and the combined CSV has one header, so it loads straight into a plotting
# tool.
#
#   sweep.sh [--run PROGRAM] [--jobs N] [--sshlogin LOGINS] SETTING... [-- OPTION...]
#       all combinations with GNU parallel; the CSV on stdout, the
#       combinations in order (the first setting varies slowest)
#   sweep.sh --count SETTING...
#       the number of combinations (the size of a job array)
#   sweep.sh --task I [--run PROGRAM] SETTING... [-- OPTION...]
#       combination I (0 ...) alone, its rows without the header
#   sweep.sh --header [--run PROGRAM] [-- OPTION...]
#       the header line of the combined CSV
#
# SETTING is an option of wendra-run without its dashes and its values
# separated by commas: pcross=0.3,0.6,0.9. OPTIONs go to every run as they
# stand (--generations 500 --every 10). Each run gets --threads 1 before
# them (GNU parallel starts one run per core), so an OPTION --threads N
# gives each run N threads instead; the output never depends on it.
# PROGRAM is wendra-run on the PATH by default; across machines it has to
# be there on each of them. --jobs N runs N at a time on each machine
# (default: one per core); --sshlogin takes GNU parallel's list of logins
# (":" for this machine, "8/server1" for 8 jobs on server1). Other GNU
# parallel options can be given in the PARALLEL environment variable.
#
# Exit status: 0 when every run succeeded, 2 for bad arguments, otherwise
# that of the first run that failed (its message on stderr).
set -euo pipefail

usage() {
  sed -n '/^#   sweep.sh/,/^#$/p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

mode=sweep task=0 run=wendra-run jobs= logins=
names=() values=() options=()
while (($#)); do
  case $1 in
    --count | --header) mode=${1#--} ;;
    --task) mode=task task=${2:?--task needs a number} && shift ;;
    --run) run=${2:?--run needs a program} && shift ;;
    --jobs) jobs=${2:?--jobs needs a number} && shift ;;
    --sshlogin) logins=${2:?--sshlogin needs logins} && shift ;;
    --) shift && options=("$@") && break ;;
    -h | --help) usage ;;
    [a-z]*=?*)
      names+=("${1%%=*}")
      values+=("${1#*=}")
      [[ ${1%%=*} =~ ^[a-z]+$ && ! ${1#*=} =~ (^|,)(,|$)|[[:space:]] ]] ||
        { echo "sweep.sh: a setting is NAME=V1,V2,... without blanks, not '$1'" >&2; exit 2; }
      ;;
    *) echo "sweep.sh: unexpected argument '$1' (see --help)" >&2 && exit 2 ;;
  esac
  shift
done
[[ $task =~ ^[0-9]+$ ]] || { echo "sweep.sh: --task needs a number, not '$task'" >&2; exit 2; }
[[ -z $jobs || $jobs =~ ^[1-9][0-9]*$ ]] || { echo "sweep.sh: --jobs needs a number, not '$jobs'" >&2; exit 2; }
if [[ $mode != header && ${#names[@]} -eq 0 ]]; then
  echo "sweep.sh: no settings to sweep (e.g. pcross=0.3,0.6; see --help)" >&2
  exit 2
fi

# The values of setting k, one per line.
valuesOf() { tr ',' '\n' <<<"${values[$1]}"; }

count=1
for k in "${!names[@]}"; do count=$((count * $(valuesOf "$k" | wc -l))); done

# The header: that of a short run with the same columns (--tour, the label).
header() {
  local kept=() o
  for o in "${options[@]}"; do [[ $o == --no-header ]] || kept+=("$o"); done
  "$run" "${kept[@]}" --label - --width 4 --height 4 --population 2 --generations 0 --runs 1 --quiet | head -n 1
}

case $mode in
  count)
    echo "$count"
    ;;
  header)
    header
    ;;
  task)
    ((task < count)) || { echo "sweep.sh: --task $task, but there are only $count combinations" >&2; exit 2; }
    # Digits of the index, the last setting fastest, as GNU parallel orders them.
    args=() label=
    rest=$task
    for ((k = ${#names[@]} - 1; k >= 0; --k)); do
      mapfile -t choices < <(valuesOf "$k")
      value=${choices[rest % ${#choices[@]}]}
      rest=$((rest / ${#choices[@]}))
      args=("--${names[k]}" "$value" "${args[@]}")
      label="${names[k]}=$value${label:+ $label}"
    done
    exec "$run" --threads 1 "${args[@]}" --label "$label" --no-header "${options[@]}"
    ;;
  sweep)
    command=("$run" --threads 1)
    label=
    sources=()
    for k in "${!names[@]}"; do
      command+=("--${names[k]}" "{$((k + 1))}")
      label+="${label:+ }${names[k]}={$((k + 1))}"
      mapfile -t choices < <(valuesOf "$k")
      sources+=(::: "${choices[@]}")
    done
    command+=(--label "$label" --no-header "${options[@]}")
    parallel_options=(-q --keep-order --halt soon,fail=1)
    [[ -n $jobs ]] && parallel_options+=(--jobs "$jobs")
    [[ -n $logins ]] && parallel_options+=(--sshlogin "$logins")
    header
    parallel "${parallel_options[@]}" "${command[@]}" "${sources[@]}"
    ;;
esac
