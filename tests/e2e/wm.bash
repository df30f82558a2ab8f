# Shared by the end-to-end scripts that run the programs under a real window
# manager. Source it after xvfb.bash; it defines
#   start_wm NAME       starts openbox or xfwm4 (xfwm4 on a private session
#                       bus) and waits until it manages the screen;
#   start_program PROGRAM FOLDER [VAR=VALUE...]
#                       runs PROGRAM in FOLDER and sets wid to its main
#                       window, also when that starts minimized (also
#                       without a window manager);
#   close_program       asks the window manager to close the window (as the
#                       close box does) and expects exit status 0;
#   client_geometry     "X,Y WIDTHxHEIGHT" of the client area on the screen;
#   frame_geometry      the same for the window manager's frame;
#   wm_state            "Normal" or "Iconic" (WM_STATE);
#   net_wm_state        the window's _NET_WM_STATE atoms, blank-separated;
#   wait_for COMMAND... retries COMMAND for up to 5 s;
#   key_value FOLDER KEY
#                       the value of KEY in FOLDER/wendra.ini.
wid=""
wm_pids=()

wm_cleanup() {
  for pid in "${wm_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  cleanup
}
trap wm_cleanup EXIT

start_wm() {
  local name="$1"
  command -v "$name" >/dev/null || fail "$name is not installed (scripts/setup.sh installs it)"
  if [[ "$name" == xfwm4 ]]; then
    # xfwm4 reads its settings over a session bus.
    dbus-daemon --session --nofork --print-address=3 3>"$work/bus" </dev/null >/dev/null 2>&1 &
    wm_pids+=($!)
    for _ in $(seq 50); do [[ -s "$work/bus" ]] && break; sleep 0.1; done
    DBUS_SESSION_BUS_ADDRESS="$(head -n 1 "$work/bus")" xfwm4 --compositor=off \
      </dev/null >"$work/wm.log" 2>&1 &
  else
    "$name" </dev/null >"$work/wm.log" 2>&1 &
  fi
  wm_pids+=($!)
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || fail "$name did not start: $(cat "$work/wm.log")"
  sleep 0.5  # it reads its configuration
}

# The program's main window: the top-level window with its caption whose
# size hints Qt has set (Qt keeps other, unmapped windows of that name).
find_main_window() {
  local caption="$1" w
  for w in $(xdotool search --name "^$caption\$" 2>/dev/null); do
    xprop -id "$w" WM_NORMAL_HINTS 2>/dev/null | grep -q 'specified size' && { echo "$w"; return 0; }
  done
  return 1
}

start_program() {
  local program="$1" folder="$2"
  shift 2
  (cd "$folder" && exec env QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$@" "$app_dir/$program" \
    </dev/null >>"$work/$program.log" 2>&1) &
  program_pid=$!
  wid=""
  for _ in $(seq 200); do
    wid="$(find_main_window "${program^^}")" && break
    sleep 0.1
  done
  [[ -n "$wid" ]] || fail "$program: no window; log: $(cat "$work/$program.log")"
  # Managed (framed or iconic), or mapped where no window manager runs, and
  # the window's settling time passed.
  wait_for window_ready || fail "$program: window $wid neither managed nor mapped"
  sleep 0.6
}

window_ready() {
  xprop -id "$wid" WM_STATE 2>/dev/null | grep -q 'window state' \
    || xwininfo -id "$wid" 2>/dev/null | grep -q 'IsViewable'
}

close_program() {
  wmctrl -i -c "$wid"
  wait_exit 10 "${1:-program}"
}

wait_for() {
  for _ in $(seq 50); do "$@" && return 0; sleep 0.1; done
  return 1
}

client_geometry() {
  xwininfo -id "$wid" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x "," y " " w "x" h}'
}

frame_geometry() {
  local left right top bottom X Y WIDTH HEIGHT
  read -r left right top bottom < <(xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  IFS=', x' read -r X Y WIDTH HEIGHT < <(client_geometry | tr ' ' ',')
  echo "$((X - left)),$((Y - top)) $((WIDTH + left + right))x$((HEIGHT + top + bottom))"
}

wm_state() { xprop -id "$wid" WM_STATE | sed -n 's/.*window state: //p'; }
net_wm_state() { xprop -id "$wid" _NET_WM_STATE | sed 's/.*= //; s/,//g'; }

key_value() { sed -n "s/^$2=//p" "$1/wendra.ini"; }
