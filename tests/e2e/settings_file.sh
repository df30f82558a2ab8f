#!/usr/bin/env bash
# The settings file with both window programs on a real X server (Xvfb,
# 1280 x 1024 at 96 dots per inch, no window manager), each started in a
# folder holding a prepared wendra.ini (or none): the window comes up where
# the file says, and after closing the folder holds exactly the expected
# file. Also: a read-only file (two error boxes, file unchanged), SIGTERM
# (saves like "Close"), the file shared by wendra1 and wendra3, a comma
# locale, and SIGKILL at random moments of a save (the file stays whole).
#
# Usage: settings_file.sh APP_DIR CLI_DIR   (CLI_DIR is not used)
set -euo pipefail

app_dir="${1:?usage: settings_file.sh APP_DIR CLI_DIR}"
# shellcheck source=xvfb.bash
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.bash"
wid=""

# start PROGRAM FOLDER [LOCALE]: runs PROGRAM in FOLDER and waits for its window.
start() {
  local program="$1" folder="$2" locale="${3:-C.UTF-8}"
  local caption="${program^^}"
  (cd "$folder" && exec env QT_QPA_PLATFORM=xcb LC_ALL="$locale" \
    "$app_dir/$program" </dev/null >>"$work/$program.log" 2>&1) &
  program_pid=$!
  wid="$(timeout 20 xdotool search --sync --onlyvisible --name "^$caption\$" | head -n 1)" \
    || fail "$program: no window; log: $(cat "$work/$program.log")"
  sleep 0.3  # the first activation (focus on "Close") lands
}

geometry() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  echo "$X,$Y ${WIDTH}x$HEIGHT"
}

# press_close: Enter on the initially focused "Close".
press_close() {
  xdotool windowfocus --sync "$wid"
  timeout 15 xdotool key --delay 60 Return
}

# expect_file FOLDER: wendra.ini in FOLDER equals the text on stdin, byte for byte.
expect_file() {
  local expected="$work/expected"
  cat >"$expected"
  cmp -s "$expected" "$1/wendra.ini" \
    || fail "$1/wendra.ini differs:$(diff "$expected" "$1/wendra.ini" | sed 's/^/  /')"
}

designed_file() { # VISIBLE
  cat <<EOF
[first]
FormVersion=0
Flags=0
ShowCmd=1
PixelsPerInch=96
MinMaxPos(1280x1024)=-1,-1,0,0
MinMaxPos=-1,-1,0,0
NormPos(1280x1024)=238,106,943,626
NormPos=238,106,943,626
Visible=$1
PCrossValue_Value=0.5
PMutValue_Value=0.07
PopEdit_Value=100
RefreshCount_Value=1
StepCount_Value=100
HeightEdit_Value=10
WidthEdit_Value=10
EOF
}

# 1. First start without a file, in both programs.
for program in wendra1 wendra3; do
  folder="$work/first-$program"; mkdir "$folder"
  start "$program" "$folder"
  [[ "$(geometry)" == "238,106 705x520" ]] || fail "$program: designed place, got $(geometry)"
  [[ ! -e "$folder/wendra.ini" ]] || fail "$program: file written while running"
  press_close; wait_exit 10
  designed_file 0 | expect_file "$folder"
  echo "ok: $program first start writes the sixteen keys"
done

# 2. A prepared file: placement and inputs come back, brought into range and
#    rounded by the inputs; the next save writes back what the window holds.
folder="$work/prepared"; mkdir "$folder"
cat >"$folder/wendra.ini" <<'EOF'
; edited by hand
[First]
formversion = 0
ShowCmd=1
PixelsPerInch=96
NormPos=100,50,900,650
PCrossValue_Value=1.5
PMutValue_Value= 1E-5
PopEdit_Value=1
WidthEdit_Value=12.5
HeightEdit_Value=13.5
StepCount_Value=abc

[other]
NormPos=1,2,3,4
EOF
start wendra3 "$folder"
[[ "$(geometry)" == "100,50 800x600" ]] || fail "prepared: expected 100,50 800x600, got $(geometry)"
press_close; wait_exit 10
expect_file "$folder" <<'EOF'
; edited by hand
[First]
FormVersion=0
ShowCmd=1
PixelsPerInch=96
NormPos=100,50,900,650
PCrossValue_Value=1
PMutValue_Value=1E-5
PopEdit_Value=2
WidthEdit_Value=12
HeightEdit_Value=14
StepCount_Value=100
Flags=0
MinMaxPos(1280x1024)=-1,-1,0,0
MinMaxPos=-1,-1,0,0
NormPos(1280x1024)=100,50,900,650
Visible=0
RefreshCount_Value=1

[other]
NormPos=1,2,3,4
EOF
echo "ok: prepared file restored and rewritten in place"

# 3. Another screen size and other pixels per inch.
folder="$work/screens"; mkdir "$folder"
printf '[first]\nMinMaxPos(1024x768)=1,2,3,4\nNormPos(1024x768)=10,10,500,400\nNormPos=300,200,800,700\nShowCmd=3\n' \
  >"$folder/wendra.ini"
start wendra1 "$folder"
[[ "$(geometry)" == "300,200 500x500" ]] || fail "other screen: plain keys, got $(geometry)"
press_close; wait_exit 10
grep -qx 'NormPos(1024x768)=10,10,500,400' "$folder/wendra.ini" || fail "other screen: old key lost"
grep -qx 'NormPos(1280x1024)=300,200,800,700' "$folder/wendra.ini" || fail "other screen: new key"
grep -qx 'ShowCmd=3' "$folder/wendra.ini" || fail "ShowCmd=3 not kept"
printf '[first]\nPixelsPerInch=120\nNormPos=300,200,800,700\nShowCmd=0x3\nPopEdit_Value=77\n' \
  >"$folder/wendra.ini"
start wendra1 "$folder"
[[ "$(geometry)" == "238,106 705x520" ]] || fail "pixels per inch differ: got $(geometry)"
xprop -id "$wid" _NET_WM_STATE | grep -q _NET_WM_STATE_MAXIMIZED_VERT || fail "0x3: not maximized"
press_close; wait_exit 10
grep -qx 'PopEdit_Value=77' "$folder/wendra.ini" || fail "inputs not restored with other dpi"
grep -qx 'NormPos=238,106,943,626' "$folder/wendra.ini" || fail "dpi: designed rectangle"
# Without a window manager an iconified window stays on the screen; the
# saved show command tells the state the window was in at the close.
for code in 2 abc; do
  printf '[first]\nShowCmd=%s\nNormPos=300,200,800,700\n' "$code" >"$folder/wendra.ini"
  start wendra3 "$folder"
  [[ "$(geometry)" == "300,200 500x500" ]] || fail "ShowCmd=$code: placed at $(geometry)"
  press_close; wait_exit 10
  expected=1; [[ "$code" == 2 ]] && expected=2
  grep -qx "ShowCmd=$expected" "$folder/wendra.ini" \
    || fail "ShowCmd=$code: saved $(grep ShowCmd "$folder/wendra.ini")"
  grep -qx 'NormPos=300,200,800,700' "$folder/wendra.ini" || fail "ShowCmd=$code: normal rectangle"
done
echo "ok: other screen size, other pixels per inch, ShowCmd 0x3, 2 and abc"

# 4. FormVersion=-1: nothing restored; the close writes this run's values.
folder="$work/version"; mkdir "$folder"
printf '[first]\nFormVersion=-1\nNormPos=1,1,401,301\nPopEdit_Value=300\n' >"$folder/wendra.ini"
start wendra3 "$folder"
[[ "$(geometry)" == "238,106 705x520" ]] || fail "version -1: moved to $(geometry)"
press_close; wait_exit 10
grep -qx 'FormVersion=0' "$folder/wendra.ini" && grep -qx 'PopEdit_Value=100' "$folder/wendra.ini" \
  && grep -qx 'NormPos=238,106,943,626' "$folder/wendra.ini" || fail "version -1: $(cat "$folder/wendra.ini")"
echo "ok: FormVersion=-1"

# 5. A read-only file: the error box at the close request and again at the
#    window's destruction; the program ends and the file is unchanged.
folder="$work/readonly"; mkdir "$folder"
printf '[first]\nPopEdit_Value=300\n' >"$folder/wendra.ini"
chmod 444 "$folder/wendra.ini"
start wendra1 "$folder"
press_close
seen=""
for box in 1 2; do
  # xdotool matches names without regard to case: the box is the visible
  # window named exactly "Wendra1" that was not met before.
  bid=""
  for _ in $(seq 150); do
    for id in $(xdotool search --onlyvisible --name '^Wendra1$' 2>/dev/null); do
      [[ "$(xdotool getwindowname "$id" 2>/dev/null)" == "Wendra1" && " $seen " != *" $id "* ]] \
        && bid="$id" && break
    done
    [[ -n "$bid" ]] && break
    sleep 0.1
  done
  [[ -n "$bid" ]] || fail "read-only: error box $box did not appear"
  seen="$seen $bid"
  sleep 0.3
  xdotool windowfocus --sync "$bid"
  timeout 15 xdotool key Return
done
wait_exit 10
printf '[first]\nPopEdit_Value=300\n' | expect_file "$folder"
echo "ok: read-only file: two error boxes, file unchanged"

# 6. SIGTERM closes as "Close" does: the settings are saved.
folder="$work/term"; mkdir "$folder"
start wendra3 "$folder"
kill -TERM "$program_pid"
wait_exit 10
designed_file 0 | expect_file "$folder"
echo "ok: SIGTERM saves and ends the program"

# 7. The file shared by wendra1 and wendra3; a comma locale writes "." and
#    reads it back.
folder="$work/shared"; mkdir "$folder"
printf '[first]\nPCrossValue_Value=0.25\nPMutValue_Value=0,125\nWidthEdit_Value=33\n' >"$folder/wendra.ini"
start wendra1 "$folder" de_DE.UTF-8
press_close; wait_exit 10
grep -qx 'PCrossValue_Value=0.25' "$folder/wendra.ini" && grep -qx 'PMutValue_Value=0.125' "$folder/wendra.ini" \
  || fail "comma locale: $(cat "$folder/wendra.ini")"
sed -i 's/^WidthEdit_Value=.*/WidthEdit_Value=44/' "$folder/wendra.ini"
start wendra3 "$folder"
press_close; wait_exit 10
grep -qx 'WidthEdit_Value=44' "$folder/wendra.ini" && grep -qx 'PCrossValue_Value=0.25' "$folder/wendra.ini" \
  || fail "shared: $(cat "$folder/wendra.ini")"
echo "ok: shared file, comma locale"

# 8. SIGKILL at random moments after SIGTERM: the file is always whole, every
#    line a section header or a key of the expected form.
folder="$work/kill"; mkdir "$folder"
designed_file 0 | sed 's/=10$/=11/' >"$folder/wendra.ini"
for round in $(seq 8); do
  start wendra1 "$folder"
  kill -TERM "$program_pid"
  sleep "0.0$((RANDOM % 10))"
  kill -KILL "$program_pid" 2>/dev/null || true
  wait "$program_pid" 2>/dev/null || true
  program_pid=""
  [[ "$(head -n 1 "$folder/wendra.ini")" == "[first]" && "$(wc -l <"$folder/wendra.ini")" -eq 17 ]] \
    && [[ "$(tail -c 1 "$folder/wendra.ini" | od -An -c | tr -d ' ')" == '\n' ]] \
    && ! grep -vqE '^\[first\]$|^[A-Za-z_]+(\([0-9]+x[0-9]+\))?=-?[0-9.,E-]+$' "$folder/wendra.ini" \
    || fail "after kill $round: $(cat "$folder/wendra.ini")"
done
echo "ok: killed while saving, the file stays whole"
