#!/usr/bin/env bash
# The run control of both programs on a real X server (Xvfb, no window
# manager), driven by keys and clicks as a person would:
#   - Alt+C and Alt+O: the status labels read what wendra-run prints for the
#     same generation, the tours are drawn, and after a second step both
#     chart lines are there; a batch of 100 ends with the runner's row 102;
#   - a long batch stopped with Alt+S: the window stops changing at once and
#     closes promptly;
#   - Alt+F4 during a long batch: the window goes away at once and the program
#     ends with status 0 once the batch has run out.
# Labels are read by OCR (tesseract, digits only) from tight crops.
#
# Usage: run_control.sh APP_DIR CLI_DIR
set -euo pipefail

app_dir="${1:?usage: run_control.sh APP_DIR CLI_DIR}"
cli_dir="${2:?usage: run_control.sh APP_DIR CLI_DIR}"
# shellcheck source=xvfb.bash
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.bash"
wid=""

# start PROGRAM CAPTION: runs PROGRAM in its own folder and waits for its window.
start() {
  local program="$1" caption="$2"
  mkdir -p "$work/$program"
  (cd "$work/$program" && exec env QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 \
    "$app_dir/$program" </dev/null >"$work/$program.log" 2>&1) &
  program_pid=$!
  wid="$(timeout 20 xdotool search --sync --onlyvisible --name "^$caption\$" | head -n 1)" \
    || fail "$program: no window named $caption; log: $(cat "$work/$program.log")"
  sleep 0.3  # the first activation (focus on "Close") lands
  timeout 15 xdotool windowfocus --sync "$wid"
}

keys() { timeout 15 xdotool key --delay 80 "$@"; }
click() { timeout 15 xdotool mousemove --window "$wid" "$1" "$2" click 1; }
shot() { timeout 15 import -window "$wid" "$work/$1.png"; }

# label NAME Y: the status label in the line at window height Y of the last
# shot, read together with its caption ("Generation: 12" gives 12; a single
# digit alone is too little for the OCR), spaces dropped.
label() {
  local crop="$work/$1-crop.png"
  convert "$work/window.png" -crop "109x17+594+$2" +repage -colorspace Gray \
    -resize 400% -bordercolor white -border 20 "$crop"
  tesseract "$crop" - --psm 7 2>/dev/null | sed -n '1s/^[^:]*: *//p' | tr -d '[:space:]'
}

# labels: "GLMax|Best|Generation" as shown now.
labels() {
  sleep 0.3
  shot window
  echo "$(label glmax 282)|$(label best 302)|$(label generation 346)"
}

# runner_labels ENCODING GENERATION: the same three texts from wendra-run's row.
runner_labels() {
  "$cli_dir/wendra-run" --encoding "$1" --generations "$2" \
    | awk -F, -v g="$2" '$2 == g { printf "[%s]:%s|%s|%s\n", $6, $5, $4, $2 }'
}

# expect_labels ENCODING GENERATION WHAT: the window shows the runner's row,
# read again a few times (the OCR of one shot may fail where the next works).
expect_labels() {
  local want got
  want="$(runner_labels "$1" "$2")"
  for _ in 1 2 3; do
    got="$(labels)"
    [[ "$got" == "$want" ]] && return 0
  done
  fail "$3: labels '$got', wendra-run gives '$want'"
}

# colour_count COLOUR X Y W H: pixels of exactly COLOUR in a crop of the last shot.
colour_count() {
  convert "$work/window.png" -crop "$4x$5+$2+$3" +repage txt:- | grep -ci " $1 " || true
}

# set_input X Y TEXT: replaces the text of the input at window point X,Y.
set_input() {
  click "$1" "$2"
  keys ctrl+a
  timeout 15 xdotool type --delay 40 "$3"
}

steps_x=222; steps_y=496      # StepCount
refresh_x=346; refresh_y=496  # RefreshCount

for program in wendra3 wendra1; do
  encoding=key; long_batch=30000
  [[ "$program" == wendra1 ]] && encoding=path
  caption="${program^^}"

  # Create and single steps.
  start "$program" "$caption"
  keys alt+c
  expect_labels "$encoding" 0 "$program after Alt+C"
  shot window
  (( $(colour_count '#000000' 2 270 584 204) > 1000 )) || fail "$program: no tours after Alt+C"
  keys alt+o
  expect_labels "$encoding" 1 "$program after Alt+O"
  keys alt+o
  expect_labels "$encoding" 2 "$program after the second Alt+O"
  shot window
  (( $(colour_count '#ff0000' 2 2 500 240) > 200 )) || fail "$program: no red line"
  (( $(colour_count '#0000ff' 2 2 500 240) > 200 )) || fail "$program: no blue line"
  # A batch of 100 (the default), then its final update: generation 102.
  keys alt+b
  expect_labels "$encoding" 102 "$program after Alt+B"
  keys alt+F4
  wait_exit 10
  echo "ok: $program Alt+C, Alt+O, Alt+B show wendra-run's rows"

  # A long batch, stopped: the window stops changing and closes at once.
  start "$program" "$caption"
  set_input "$steps_x" "$steps_y" 100000
  set_input "$refresh_x" "$refresh_y" 10
  keys alt+c alt+b
  sleep 1.5
  kill -0 "$program_pid" 2>/dev/null || fail "$program: ended during the batch"
  keys alt+s
  sleep 0.5
  first="$(labels)"
  sleep 1
  [[ "$(labels)" == "$first" ]] || fail "$program: still stepping after Alt+S"
  [[ "$first" =~ \|([0-9]+)$ ]] && (( BASH_REMATCH[1] > 0 && BASH_REMATCH[1] < 100000 )) \
    || fail "$program: generation after Alt+S: '$first'"
  keys alt+F4
  wait_exit 10
  echo "ok: $program batch stopped at ${first##*|}"

  # Closed during a batch: the window goes away, the batch runs out, the
  # program ends with status 0. The batch is several seconds long.
  start "$program" "$caption"
  set_input "$steps_x" "$steps_y" "$long_batch"
  set_input "$refresh_x" "$refresh_y" 10
  keys alt+c alt+b
  sleep 0.5
  keys alt+F4
  for _ in $(seq 30); do
    timeout 5 xdotool search --onlyvisible --name "^$caption\$" >/dev/null 2>&1 || break
    sleep 0.1
  done
  timeout 5 xdotool search --onlyvisible --name "^$caption\$" >/dev/null 2>&1 \
    && fail "$program: window still shown 3 s after Alt+F4 during a batch"
  kill -0 "$program_pid" 2>/dev/null || fail "$program: the batch ended before the close"
  wait_exit 120
  echo "ok: $program closed during a batch, ended with status 0"
done
