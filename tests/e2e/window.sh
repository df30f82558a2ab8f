#!/usr/bin/env bash
# Both window programs on a real X server (Xvfb, no window manager): each
# opens its window with its caption at (238, 106) with a 705 x 520 client
# area, and ends with exit status 0 when closed by Alt+F4, which no window
# manager handles here. wendra1 is also closed by Enter right after start
# (the initial focus is on "Close").
#
# Usage: window.sh APP_DIR CLI_DIR   (CLI_DIR is not used)
set -euo pipefail

app_dir="${1:?usage: window.sh APP_DIR CLI_DIR}"
# shellcheck source=xvfb.bash
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.bash"

# run PROGRAM CAPTION KEY: starts PROGRAM, checks its window, sends KEY and
# expects the program to end with status 0.
run() {
  local program="$1" caption="$2" key="$3"
  mkdir -p "$work/$program"
  (cd "$work/$program" && exec env QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 \
    "$app_dir/$program" </dev/null >"$work/$program.log" 2>&1) &
  program_pid=$!

  local wid
  wid="$(timeout 20 xdotool search --sync --onlyvisible --name "^$caption\$" | head -n 1)" \
    || fail "$program: no window named $caption; log: $(cat "$work/$program.log")"
  [[ "$(xdotool getwindowname "$wid")" == "$caption" ]] || fail "$program: caption"

  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  [[ "$X $Y $WIDTH $HEIGHT" == "238 106 705 520" ]] \
    || fail "$program: window at $X,$Y size ${WIDTH}x$HEIGHT, expected 238,106 705x520"

  sleep 0.3  # the first activation (focus on "Close") lands
  xdotool windowfocus --sync "$wid"
  timeout 15 xdotool key --delay 60 "$key"

  wait_exit 10 "$program (after $key)"
  echo "ok: $program '$caption' 238,106 705x520, closed by $key"
}

run wendra3 WENDRA3 alt+F4
run wendra1 WENDRA1 alt+F4
run wendra1 WENDRA1 Return
