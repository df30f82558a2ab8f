#!/usr/bin/env bash
# The window programs on scaled screens (Xvfb at 2560 x 1600 with
# QT_SCALE_FACTOR=2, and 1920 x 1536 at 1.5 under openbox):
#  - the chart and the tour view are drawn at the screen's resolution: some
#    2 x 2 block of device pixels in each is not one colour (a picture drawn
#    at scale 1 and enlarged has only uniform blocks);
#  - three starts put the window at the same place, and the file keeps the
#    designed placement in device-independent pixels.
#
# Usage: high_resolution.sh APP_DIR CLI_DIR   (CLI_DIR is not used)
set -euo pipefail

app_dir="${1:?usage: high_resolution.sh APP_DIR CLI_DIR}"
here="$(dirname "${BASH_SOURCE[0]}")"
export WENDRA_XVFB_SCREEN=2560x1600x24
# shellcheck source=xvfb.bash
source "$here/xvfb.bash"
# shellcheck source=wm.bash
source "$here/wm.bash"

# Blocks of 2 x 2 device pixels, aligned to even coordinates, that are not
# one colour, in the rectangle X Y W H (device pixels) of the window.
fine_blocks() {
  import -window "$wid" "$work/shot.png"
  convert "$work/shot.png" -crop "$3x$4+$1+$2" +repage -depth 8 "rgb:$work/shot.rgb"
  python3 - "$work/shot.rgb" "$3" "$4" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
w, h = int(sys.argv[2]), int(sys.argv[3])
px = lambda x, y: data[3 * (y * w + x): 3 * (y * w + x) + 3]
print(sum(1 for y in range(0, h - 1, 2) for x in range(0, w - 1, 2)
          if len({px(x, y), px(x + 1, y), px(x, y + 1), px(x + 1, y + 1)}) > 1))
PY
}

close_by_enter() {
  xdotool windowfocus --sync "$wid"
  timeout 15 xdotool key --delay 60 Return
  wait_exit 10 "$1"
}

# Scale 2, no window manager.
folder="$work/scale2"; mkdir -p "$folder"
first=""
for run in 1 2 3; do
  start_program wendra3 "$folder" QT_SCALE_FACTOR=2
  geometry="$(client_geometry)"
  [[ -z "$first" ]] && first="$geometry"
  [[ "$geometry" == "$first" ]] || fail "scale 2: start $run at $geometry, first at $first"
  if [[ $run == 1 ]]; then
    [[ "$geometry" == "476,212 1410x1040" ]] || fail "scale 2: designed window at $geometry"
    xdotool windowfocus --sync "$wid"
    timeout 15 xdotool key --delay 150 alt+c alt+o alt+o alt+o
    sleep 1
    # Chart1 at (1, 1) 586 x 268 and Image1 at (2, 270) 584 x 204 in
    # widget pixels: twice that in device pixels.
    chart="$(fine_blocks 2 2 1172 536)"
    tours="$(fine_blocks 4 540 1168 408)"
    ((chart > 100)) || fail "scale 2: the chart has $chart 2 x 2 blocks with detail"
    ((tours > 100)) || fail "scale 2: the tour view has $tours 2 x 2 blocks with detail"
    echo "ok: scale 2 draws at the screen's resolution ($chart fine blocks in the chart, $tours in the tours)"
  fi
  close_by_enter wendra3
  [[ "$(key_value "$folder" NormPos)" == "238,106,943,626" ]] \
    || fail "scale 2: start $run stored NormPos=$(key_value "$folder" NormPos)"
done
echo "ok: scale 2 keeps $first over three starts"
