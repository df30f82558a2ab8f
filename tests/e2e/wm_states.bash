# The window's states and placement under a real window manager, for
# openbox.sh and xfwm4.sh: source it after wm.bash and call
#   check_window_manager NAME
# Xvfb is 1280 x 1024 at 96 dots per inch, scale 1.
#
# In both programs: a restart keeps the frame where it was; a window closed
# maximized starts maximized and un-maximizes to the rectangle it had, and
# the file keeps that rectangle; a window maximized one way only stores its
# normal rectangle; a window closed minimized starts iconic; a stored 1 x 1
# rectangle opens at the minimum size, one off the screen whole on it; the
# window carries the program's icon in its sizes.

designed_norm_pos="238,106,943,626"

# For wait_for: each try reads the window afresh.
client_is() { [[ "$(client_geometry)" == "$1" ]]; }
wm_state_is() { [[ "$(wm_state)" == "$1" ]]; }
net_wm_state_has() { [[ "$(net_wm_state)" == *"$1"* ]]; }

# The icon sizes in _NET_WM_ICON, "16x16 22x22 ...".
icon_sizes() {
  xprop -id "$wid" -notype 32c _NET_WM_ICON | sed 's/^[^=]*= //' | tr ',' '\n' | awk '
    { v[NR] = $1 } END { i = 1; while (i + 1 <= NR) { w = v[i]; h = v[i + 1];
      printf "%dx%d ", w, h; i += 2 + w * h } }'
}

check_restarts_and_icon() { # PROGRAM FOLDER
  local program="$1" folder="$2" first
  start_program "$program" "$folder"
  first="$(frame_geometry)"
  [[ "$(icon_sizes)" == "16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256 " ]] \
    || fail "$program: icon sizes '$(icon_sizes)'"
  close_program "$program"
  [[ "$(key_value "$folder" NormPos)" == "$designed_norm_pos" ]] \
    || fail "$program: first close stored NormPos=$(key_value "$folder" NormPos)"
  for run in 2 3; do
    start_program "$program" "$folder"
    [[ "$(frame_geometry)" == "$first" ]] || fail "$program: start $run frame $(frame_geometry), first $first"
    close_program "$program"
  done
  [[ "$(key_value "$folder" NormPos)" == "$designed_norm_pos" ]] || fail "$program: NormPos drifted"
  echo "ok: $program frame $first over three starts, icon in eight sizes"
}

check_maximized() { # PROGRAM FOLDER
  local program="$1" folder="$2" normal
  start_program "$program" "$folder"
  xdotool windowmove "$wid" 150 90  # the user moves it first
  sleep 0.6
  normal="$(client_geometry)"
  wmctrl -i -r "$wid" -b add,maximized_vert,maximized_horz
  wait_for net_wm_state_has MAXIMIZED_HORZ || fail "$program: not maximized"
  sleep 0.6
  close_program "$program"
  [[ "$(key_value "$folder" ShowCmd)" == 3 ]] || fail "$program: ShowCmd=$(key_value "$folder" ShowCmd)"
  local stored; stored="$(key_value "$folder" NormPos)"
  [[ "$stored" == "150,90,855,610" ]] || fail "$program: closed maximized stored NormPos=$stored"

  start_program "$program" "$folder"
  [[ "$(net_wm_state)" == *MAXIMIZED_VERT* && "$(net_wm_state)" == *MAXIMIZED_HORZ* ]] \
    || fail "$program: started as '$(net_wm_state)', not maximized"
  wmctrl -i -r "$wid" -b remove,maximized_vert,maximized_horz
  wait_for client_is "$normal" \
    || fail "$program: un-maximized to $(client_geometry), had $normal"
  sleep 0.6
  close_program "$program"
  [[ "$(key_value "$folder" ShowCmd)" == 1 && "$(key_value "$folder" NormPos)" == "$stored" ]] \
    || fail "$program: after un-maximizing ShowCmd=$(key_value "$folder" ShowCmd) NormPos=$(key_value "$folder" NormPos)"

  # Maximized one way only: Qt calls that normal, the file keeps the rectangle.
  start_program "$program" "$folder"
  wmctrl -i -r "$wid" -b add,maximized_vert
  wait_for net_wm_state_has MAXIMIZED_VERT || fail "$program: not maximized vertically"
  sleep 0.6
  close_program "$program"
  [[ "$(key_value "$folder" NormPos)" == "$stored" ]] \
    || fail "$program: vertically maximized stored NormPos=$(key_value "$folder" NormPos)"
  echo "ok: $program closed maximized restarts maximized, un-maximizes to $normal"
}

check_minimized() { # PROGRAM FOLDER
  local program="$1" folder="$2"
  start_program "$program" "$folder"
  xdotool windowminimize "$wid"
  wait_for wm_state_is Iconic || fail "$program: did not minimize"
  close_program "$program"
  [[ "$(key_value "$folder" ShowCmd)" == 2 ]] || fail "$program: ShowCmd=$(key_value "$folder" ShowCmd)"
  start_program "$program" "$folder"
  [[ "$(wm_state)" == Iconic ]] || fail "$program: started $(wm_state), not iconic"
  close_program "$program"
  [[ "$(key_value "$folder" ShowCmd)" == 2 && "$(key_value "$folder" NormPos)" == "$designed_norm_pos" ]] \
    || fail "$program: closed iconic: ShowCmd=$(key_value "$folder" ShowCmd) NormPos=$(key_value "$folder" NormPos)"
  echo "ok: $program closed minimized restarts iconic"
}

# inside X Y W H: the rectangle lies whole on the 1280 x 1024 screen.
inside() { (($1 >= 0 && $2 >= 0 && $1 + $3 <= 1280 && $2 + $4 <= 1024)); }

check_unsound_rectangles() { # PROGRAM FOLDER
  local program="$1" folder="$2" x y w h
  printf '[first]\nNormPos=300,200,301,201\n' >"$folder/wendra.ini"
  start_program "$program" "$folder"
  IFS=', x' read -r x y w h < <(client_geometry | tr ' ' ',')
  [[ "$w x $h" == "466 x 493" ]] || fail "$program: 1 x 1 opened at ${w}x$h"
  close_program "$program"
  for rect in 5000,5000,5705,5520 -3000,-3000,-2295,-2480 0,0,3000,3000; do
    printf '[first]\nNormPos=%s\n' "$rect" >"$folder/wendra.ini"
    start_program "$program" "$folder"
    IFS=', x' read -r x y w h < <(frame_geometry | tr ' ' ',')
    inside "$x" "$y" "$w" "$h" || fail "$program: NormPos=$rect opened with its frame at $(frame_geometry)"
    close_program "$program"
  done
  echo "ok: $program opens 1 x 1 and off-screen rectangles whole on the screen"
}

check_window_manager() {
  start_wm "$1"
  for program in wendra3 wendra1; do
    local folder="$work/$program-$1"
    mkdir -p "$folder"
    check_restarts_and_icon "$program" "$folder"
    check_maximized "$program" "$folder"
    rm "$folder/wendra.ini"
    check_minimized "$program" "$folder"
  done
  check_unsound_rectangles wendra3 "$work/wendra3-$1"
  mkdir -p "$work/scaled-$1"
  check_scaled_restarts wendra1 "$work/scaled-$1"
}

# Scale 1.5: the window manager may move the designed window at its first
# start (it does not fit the screen whole); from then on it stays put.
check_scaled_restarts() { # PROGRAM FOLDER
  local program="$1" folder="$2" frames=() stored=()
  for run in 1 2 3 4; do
    start_program "$program" "$folder" QT_SCALE_FACTOR=1.5
    frames+=("$(frame_geometry)")
    close_program "$program"
    stored+=("$(key_value "$folder" NormPos)")
  done
  [[ "${frames[1]}" == "${frames[2]}" && "${frames[2]}" == "${frames[3]}" ]] \
    || fail "$program at 1.5: frames ${frames[*]}"
  [[ "${stored[1]}" == "${stored[2]}" && "${stored[2]}" == "${stored[3]}" ]] \
    || fail "$program at 1.5: stored ${stored[*]}"
  echo "ok: $program at scale 1.5 stays at ${frames[3]} (NormPos=${stored[3]}) over restarts"
}
