#!/usr/bin/env bash
# wendra-run's progress line, through a pseudo-terminal (script, from
# util-linux): shown on a terminal's stderr, cut to its width, cleared at the
# end and on Ctrl-C, kept off rows that share the terminal, never changing
# stdout; absent with --quiet and when stderr is no terminal.
#   progress.sh RUN [LITERAL]
set -u
run=$1
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
bad() { echo "FAIL: $*"; fail=1; }

# in_terminal COLUMNS COMMAND: runs the shell command on a pseudo-terminal
# that wide; what it shows lands in $tmp/screen, its status in $status.
in_terminal() {
  script -qec "stty cols $1; $2" /dev/null >"$tmp/screen" </dev/null
  status=$?
}

# The line's drawings: the screen split at carriage returns and line feeds.
segments() { tr '\r' '\n' <"$tmp/screen" | grep -v '^ *$'; }

# The screen ends with the line cleared: its last byte a carriage return,
# blanks only since the one before.
ends_cleared() {
  [[ $(tail -c 1 "$tmp/screen" | od -An -tx1 | tr -d ' \n') == 0d ]] || return 1
  local last
  last=$(tail -c 300 "$tmp/screen" | tr '\r' '\n' | tail -n 1)
  [[ -n "$last" && ! "$last" =~ [^\ ] ]]
}

# 1. A long creation (one thread): it shows that it is working; stdout to a
#    file is the same as without a terminal, where stderr stays empty.
args=(--encoding path --width 100 --height 100 --population 4000 --generations 0 --threads 1)
in_terminal 100 "'$run' ${args[*]} >'$tmp/out.csv'"
[[ $status -eq 0 ]] || bad "creation: status $status"
segments | grep -q '^run 1 of 1, creating 4000 members, [0-9]\+ s$' || bad "no creation tick: $(segments | head -3)"
ends_cleared || bad "the line is not cleared after the creation"
"$run" "${args[@]}" >"$tmp/plain.csv" 2>"$tmp/plain.err"
cmp -s "$tmp/out.csv" "$tmp/plain.csv" || bad "stdout differs with the progress line (creation)"
[[ ! -s "$tmp/plain.err" ]] || bad "stderr not empty without a terminal: $(head -c 200 "$tmp/plain.err")"

# 2. Generations in two runs, then the same with --quiet: nothing at all.
args=(--generations 8000 --runs 2)
in_terminal 100 "'$run' ${args[*]} >'$tmp/out.csv'"
[[ $status -eq 0 ]] || bad "status $status"
segments | grep -Eq '^run [12] of 2, generation [0-9]+ of 8000, best [0-9]+, [0-9.]+ generations/s, [0-9:]+( s)? left$' \
  || bad "no generation line: $(segments | head -5)"
segments | grep -q '^run 2 of 2, ' || bad "no line of the second run"
ends_cleared || bad "the line is not cleared at the end: $(tail -c 80 "$tmp/screen" | od -c | tail -3)"
"$run" "${args[@]}" >"$tmp/plain.csv" 2>"$tmp/plain.err"
cmp -s "$tmp/out.csv" "$tmp/plain.csv" || bad "stdout differs with the progress line"
[[ ! -s "$tmp/plain.err" ]] || bad "stderr not empty without a terminal: $(head -c 200 "$tmp/plain.err")"
in_terminal 100 "'$run' ${args[*]} --quiet >'$tmp/quiet.csv'"
[[ $status -eq 0 && ! -s "$tmp/screen" ]] || bad "--quiet showed: $(head -c 200 "$tmp/screen")"
cmp -s "$tmp/quiet.csv" "$tmp/plain.csv" || bad "stdout differs with --quiet"

# 3. Rows on the same, narrow terminal: the line is cut to its width and
#    taken off before rows are written, so every row arrives whole (the
#    terminal ends lines with CR LF).
in_terminal 40 "'$run' --generations 8000 --every 3"
"$run" --generations 8000 --every 3 >"$tmp/rows.csv" 2>/dev/null
long=$(segments | grep '^run ' | awk 'length > 39' | head -1)
[[ -z "$long" ]] || bad "a line wider than the terminal: $long"
segments | grep -q '^run 1 of 1, generation' || bad "no line beside the rows"
# Each screen line's last segment is a row, in order.
awk -F'\r' '{ n = split($0, part, "\r"); s = ""; for (i = n; i > 0; --i) if (part[i] !~ /^ *$/) { s = part[i]; break }
              if (s !~ /^run 1 of 1, generation/) print s }' "$tmp/screen" >"$tmp/shown.csv"
cmp -s "$tmp/shown.csv" "$tmp/rows.csv" || bad "rows on the terminal mixed with the line: $(diff "$tmp/shown.csv" "$tmp/rows.csv" | head -4)"

# 4. Ctrl-C: the line is cleared and the program ends by the signal.
in_terminal 100 "timeout --preserve-status -s INT 1 '$run' --generations 100000000 >/dev/null"
[[ $status -eq 130 ]] || bad "Ctrl-C: status $status"
segments | grep -q '^run 1 of 1, generation' || bad "Ctrl-C: no line before it"
ends_cleared || bad "Ctrl-C: the line is not cleared: $(tail -c 80 "$tmp/screen" | od -c | tail -3)"

# 5. A refused creation: the message alone, on a clean line.
if (ulimit -v 4000000; "$run" --generations 0 >/dev/null 2>&1; status=$?; exit $status) 2>/dev/null; then
  in_terminal 100 "ulimit -v 4000000; '$run' --width 100 --height 100 --population 1000000 >/dev/null"
  [[ $status -eq 1 ]] || bad "refusal: status $status"
  msg=$(tr '\r' '\n' <"$tmp/screen" | grep -v '^ *$' | tail -1)
  [[ "$msg" == "wendra-run: Not enough memory for 1000000 members on a 100 x 100 grid: "* ]] || bad "refusal: $msg"
fi

[[ $fail -eq 0 ]] && echo "progress line ok"
exit $fail
