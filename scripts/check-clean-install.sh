#!/usr/bin/env bash
# Builds the Debian package and installs it on a clean Debian 12 (bookworm)
# root made with debootstrap, then checks what a user gets: apt pulls every
# dependency by itself, both menu entries start installed programs and find
# their icon, the manual pages open with man-db, wendra-run runs, and both
# window programs start, look like the README's screenshots after "Create"
# and a batch of 100 generations, and write wendra.ini when closed.
#
#   sudo scripts/check-clean-install.sh [--mode depends|recommends|both] [--keep]
#
# The minimal root is made once and kept as a cached base (WENDRA_DEBROOT,
# default: debroot-bookworm beside the source tree); every pass installs into
# a fresh copy of it (an overlay, or a plain copy where overlays do not work)
# that is thrown away afterwards. Pass "depends" installs without Recommends
# (the dependencies alone must be enough), pass "recommends" the way apt does
# by default. The display is an Xvfb on this machine whose socket is bound
# into the root, so nothing but the package and man-db is installed there.
# Needs root, debootstrap, Xvfb, xdotool and ImageMagick; lintian if present.
# Exits non-zero on any failure. Screenshots land in $OUT (default
# build-pkg/clean-install).
set -uo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
BASE=${WENDRA_DEBROOT:-$(dirname "$src")/debroot-bookworm}
MIRROR=${WENDRA_MIRROR:-http://deb.debian.org/debian}
SECURITY_MIRROR=${WENDRA_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
BUILD=${BUILD_PKG:-$src/build-pkg}
OUT=${OUT:-$BUILD/clean-install}
JOBS=${JOBS:-2}
mode=both
keep=0
while [[ $# -gt 0 ]]; do
  case $1 in
    --mode) mode=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    -h|--help) sed -n '2,/^set /p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
case $mode in depends) passes=(depends) ;; recommends) passes=(recommends) ;; both) passes=(depends recommends) ;;
  *) echo "--mode is depends, recommends or both" >&2; exit 2 ;; esac

started=$SECONDS
failures=0
ok() { echo "  ok: $*"; }
fail() { echo "  FAIL: $*"; failures=$((failures + 1)); }
die() { echo "FAIL: $*"; exit 1; }
step() { echo; echo "== $* ($((SECONDS - started)) s)"; }

[[ $(id -u) -eq 0 ]] || die "needs root (debootstrap, chroot, mount): sudo $0"
for tool in Xvfb xdotool import compare cmake cpack dpkg-deb; do
  command -v "$tool" >/dev/null || die "$tool is missing (make setup installs it)"
done
if ! command -v debootstrap >/dev/null; then
  echo "Installing debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null || die "cannot install debootstrap"
fi

# --- 1. the package -----------------------------------------------------
step "Building the package in $BUILD"
cmake -S "$src" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DWENDRA_BUILD_UI=ON \
  -DWENDRA_BUILD_TESTS=OFF -DWENDRA_BUILD_BENCH=OFF >/dev/null || die "cmake configure failed"
cmake --build "$BUILD" -j "$JOBS" >"$BUILD/check-build.log" 2>&1 || die "build failed, see $BUILD/check-build.log"
rm -f "$BUILD"/wendra_*.deb
(cd "$BUILD" && cpack -G DEB >"$BUILD/check-cpack.log" 2>&1) || die "cpack failed, see $BUILD/check-cpack.log"
deb=$(ls "$BUILD"/wendra_*.deb 2>/dev/null | head -1)
[[ -n "$deb" ]] || die "no package in $BUILD"
version=$(dpkg-deb -f "$deb" Version)
echo "  $(basename "$deb")"
echo "  Depends: $(dpkg-deb -f "$deb" Depends)"

if command -v lintian >/dev/null; then
  step "lintian"
  # bogus-mail-host*: the package has no public contact address yet; the tag
  # concerns uploads to Debian, not whether the package works.
  findings=$(lintian --tag-display-limit 0 "$deb" 2>/dev/null | grep -v 'running with root privileges')
  [[ -n "$findings" ]] && sed 's/^/  /' <<<"$findings"
  errors=$(grep '^E: ' <<<"$findings" | grep -v -E ': bogus-mail-host(-in-debian-changelog)? ')
  [[ -z "$errors" ]] && ok "no lintian errors beyond the contact address" || fail "lintian errors:"$'\n'"$errors"
else
  step "lintian is not installed: skipped"
fi

# --- 2. the cached base -------------------------------------------------
if [[ ! -e "$BASE/.wendra-base" ]]; then
  step "Making the base root $BASE (debootstrap, minbase)"
  rm -rf "$BASE.partial"
  debootstrap --variant=minbase bookworm "$BASE.partial" "$MIRROR" >"$BASE-debootstrap.log" 2>&1 ||
    die "debootstrap failed, see $BASE-debootstrap.log"
  cat >"$BASE.partial/etc/apt/sources.list" <<EOF
deb $MIRROR bookworm main
deb $MIRROR bookworm-updates main
deb $SECURITY_MIRROR bookworm-security main
EOF
  chroot "$BASE.partial" apt-get clean
  touch "$BASE.partial/.wendra-base"
  rm -rf "$BASE"
  mv "$BASE.partial" "$BASE"
else
  step "Reusing the base root $BASE"
fi
# Downloaded packages are kept between runs; they are not part of the system.
archives=$(dirname "$BASE")/debroot-archives
mkdir -p "$archives/partial"

# --- helpers for one pass -----------------------------------------------
work="" root="" xvfb_pid="" mounts=()
cleanup() {
  local pid
  for pid in ${prog_pids:-}; do kill -KILL "$pid" 2>/dev/null; done
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}"
  done
  mounts=()
  if [[ -n "$work" ]]; then
    if [[ $keep -eq 1 ]]; then echo "  kept $work"; else rm -rf "$work"; fi
  fi
  work="" root=""
}
trap cleanup EXIT
trap 'exit 130' INT TERM
bind() { mkdir -p "$2" && mount "${@:3}" "$1" "$2" && mounts+=("$2"); }
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }
as_user() { chroot --userspec=tester:tester "$root" env -i HOME=/home/tester PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
apt_in_root() { in_root apt-get -o DPkg::Lock::Timeout=120 -o Dpkg::Use-Pty=0 "$@"; }

# The window with a title matching $1, once visible; empty after $2 seconds.
wait_window() {
  local end=$((SECONDS + $2)) id
  while ((SECONDS < end)); do
    id=$(DISPLAY=$display timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.3
  done
  return 1
}
wait_exit() {  # pid seconds -> exit status, or 124 if still running
  local end=$((SECONDS + $2))
  while kill -0 "$1" 2>/dev/null && ((SECONDS < end)); do sleep 0.2; done
  kill -0 "$1" 2>/dev/null && return 124
  wait "$1"
}

# One window program: start in a fresh folder, screenshot, Create + Batch,
# compare with the README's picture, close with $2 (alt+F4 or TERM), check the
# exit status and the settings file.
check_window() {
  local program=$1 close=$2 caption dir win pid status shot ae
  caption=$(tr a-z A-Z <<<"$program")
  dir=/home/tester/run-$program
  in_root install -d -o tester -g tester "$dir"
  # chroot, env and sh each replace themselves, so $! is the program's PID.
  chroot --userspec=tester:tester "$root" env -i HOME=/home/tester PATH=/usr/bin:/bin LANG=C.UTF-8 \
    DISPLAY="$display" sh -c "cd $dir && exec $program" >"$OUT/$pass-$program.log" 2>&1 &
  pid=$!
  prog_pids="${prog_pids:-} $pid"
  if ! win=$(wait_window "^$caption\$" 20); then
    fail "$program: no window within 20 s: $(tr '\n' ' ' <"$OUT/$pass-$program.log")"
    kill -KILL "$pid" 2>/dev/null
    return
  fi
  ok "$program started (window $win)"
  sleep 1
  DISPLAY=$display import -window "$win" "$OUT/$pass-$program-start.png"
  DISPLAY=$display xdotool windowfocus --sync "$win" key alt+c
  sleep 0.5
  DISPLAY=$display xdotool key alt+b
  # The batch is 100 generations of 100 members: well under a second, but
  # keep looking while the picture differs, in case the machine is slow.
  for attempt in 1 2 3 4 5; do
    sleep 1.5
    shot="$OUT/$pass-$program-batch.png"
    DISPLAY=$display import -window "$win" "$shot"
    ae=$(compare -metric AE "$shot" "$src/docs/$program.png" "$OUT/$pass-$program-diff.png" 2>&1 >/dev/null)
    [[ "$ae" == 0 ]] && break
  done
  if [[ "$ae" == 0 ]]; then
    ok "$program after Create and Batch is pixel for pixel docs/$program.png"
    rm -f "$OUT/$pass-$program-diff.png"
  else
    fail "$program after Create and Batch differs from docs/$program.png in $ae pixels (see $OUT/$pass-$program-diff.png)"
  fi
  if [[ $close == TERM ]]; then
    kill -TERM "$pid"
  else
    DISPLAY=$display xdotool windowfocus --sync "$win" key "$close"
  fi
  wait_exit "$pid" 15
  status=$?
  if [[ $status -eq 0 ]]; then
    ok "$program closed by $close, exit status 0"
  else
    fail "$program after $close: exit status $status"
    kill -KILL "$pid" 2>/dev/null
  fi
  local ini=$root$dir/wendra.ini
  if [[ -f "$ini" ]] && grep -qx '\[first\]' "$ini" && grep -qx 'PopEdit_Value=100' "$ini" &&
     grep -qx 'WidthEdit_Value=10' "$ini" && [[ $(stat -c %U "$ini") == "$(stat -c %U "$root$dir")" ]]; then
    ok "$program wrote $dir/wendra.ini"
  else
    fail "$program: no usable $dir/wendra.ini after closing"
  fi
  local unexpected
  unexpected=$(grep -v -e '^QStandardPaths: XDG_RUNTIME_DIR not set' "$OUT/$pass-$program.log")
  [[ -z "$unexpected" ]] && ok "$program printed no warnings" || fail "$program printed: $unexpected"
}

# --- 3. one pass per install mode ---------------------------------------
mkdir -p "$OUT"
for pass in "${passes[@]}"; do
  step "Pass '$pass': fresh copy of the base"
  work=$(mktemp -d "$(dirname "$BASE")/debroot-run.XXXXXX")
  root=$work/root
  mkdir -p "$work/upper" "$work/overlay-work" "$root"
  if mount -t overlay overlay -o "lowerdir=$BASE,upperdir=$work/upper,workdir=$work/overlay-work" "$root" 2>/dev/null; then
    mounts+=("$root")
    echo "  overlay over the base"
  else
    cp -a "$BASE/." "$root/" || die "cannot copy the base"
    echo "  copy of the base"
  fi
  bind proc "$root/proc" -t proc
  bind sysfs "$root/sys" -t sysfs
  # /dev stays the base's own: debootstrap made the few nodes apt and the
  # programs need (null, zero, urandom, tty, ptmx, shm).
  bind "$archives" "$root/var/cache/apt/archives" --bind
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  # No services start inside the root (dbus, timesyncd come with Recommends).
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"
  cp "$deb" "$root/tmp/"

  step "Pass '$pass': apt-get install ./$(basename "$deb")"
  apt_in_root update -qq >"$OUT/$pass-apt.log" 2>&1 || { fail "apt-get update"; cleanup; continue; }
  recommends=()
  [[ $pass == depends ]] && recommends=(--no-install-recommends)
  if apt_in_root install -y "${recommends[@]}" "/tmp/$(basename "$deb")" >>"$OUT/$pass-apt.log" 2>&1; then
    ok "apt-get install ${recommends[*]} pulled in $(grep -o '^[0-9]* upgraded, [0-9]* newly installed' "$OUT/$pass-apt.log")"
  else
    fail "apt-get install failed:"$'\n'"$(tail -20 "$OUT/$pass-apt.log")"
    cleanup; continue
  fi
  [[ $(in_root dpkg-query -W -f '${Status} ${Version}' wendra) == "install ok installed $version" ]] &&
    ok "wendra $version installed" || fail "wendra is not installed"
  audit=$(in_root dpkg --audit; apt_in_root check -qq 2>&1)
  [[ -z "$audit" ]] && ok "dpkg --audit and apt-get check clean" || fail "broken packages: $audit"

  step "Pass '$pass': libraries, menu entries, icon"
  in_root useradd -m -s /bin/bash tester
  # The X11 platform plugin is loaded at start, so no library dependency of
  # the programs names it: it must be there, with all its libraries.
  plugin=$(cd "$root" && ls usr/lib/*/qt6/plugins/platforms/libqxcb.so 2>/dev/null | head -1)
  if [[ -n "$plugin" ]]; then
    ok "xcb platform plugin /$plugin from $(in_root dpkg -S "/$plugin" | cut -d: -f1)"
  else
    fail "no xcb platform plugin (qt6/plugins/platforms/libqxcb.so)"
  fi
  for f in /usr/bin/wendra1 /usr/bin/wendra3 /usr/bin/wendra-run ${plugin:+/$plugin}; do
    missing=$(in_root ldd "$f" 2>&1 | grep 'not found')
    [[ -z "$missing" ]] && ok "ldd $f: every library found" || fail "ldd $f: $missing"
  done
  index=$root/usr/share/icons/hicolor/index.theme
  for program in wendra1 wendra3; do
    desktop=$root/usr/share/applications/$program.desktop
    [[ -f "$desktop" ]] || { fail "no /usr/share/applications/$program.desktop"; continue; }
    exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop" | head -1)
    resolved=$(as_user sh -c "command -v '$exec_cmd'")
    [[ "$resolved" == /usr/bin/$program && -x "$root$resolved" ]] &&
      ok "$program.desktop: Exec=$exec_cmd is $resolved" || fail "$program.desktop: Exec=$exec_cmd does not resolve ($resolved)"
    icon=$(sed -n 's/^Icon=//p' "$desktop" | head -1)
    found=""
    for candidate in "$root"/usr/share/icons/hicolor/*/apps/"$icon".{svg,png}; do
      [[ -f "$candidate" ]] || continue
      subdir=${candidate#"$root"/usr/share/icons/hicolor/}
      subdir=${subdir%/*}
      # A theme directory counts only when the theme's index lists it.
      [[ -f "$index" ]] && grep -q "^\[$subdir\]" "$index" && found=$subdir
    done
    if [[ -n "$found" ]]; then
      ok "$program.desktop: Icon=$icon found in hicolor/$found"
    else
      fail "$program.desktop: Icon=$icon not found in a listed hicolor directory (index.theme: $([[ -f $index ]] && echo present || echo missing))"
    fi
  done
  cache=$root/usr/share/icons/hicolor/icon-theme.cache
  if [[ -f "$cache" ]]; then
    grep -qa wendra "$cache" && ok "hicolor icon cache lists wendra" || fail "hicolor icon cache is stale: no wendra"
  else
    ok "no hicolor icon cache (lookups read the directories)"
  fi

  step "Pass '$pass': man-db and the manual pages"
  if apt_in_root install -y --no-install-recommends man-db >>"$OUT/$pass-apt.log" 2>&1; then
    for page in wendra-run wendra1 wendra3; do
      text=$(as_user MANWIDTH=80 man "$page" 2>"$OUT/$pass-man.err" | col -b)
      if [[ $(grep -A1 '^NAME' <<<"$text" | tail -1) == *"$page"* && ! -s "$OUT/$pass-man.err" ]]; then
        ok "man $page ($(as_user man -w "$page"))"
      else
        fail "man $page: $(cat "$OUT/$pass-man.err") $(head -3 <<<"$text")"
      fi
    done
    as_user whatis wendra-run >/dev/null 2>&1 && ok "whatis wendra-run: $(as_user whatis wendra-run)" || fail "whatis wendra-run finds nothing"
  else
    fail "cannot install man-db"
  fi

  step "Pass '$pass': wendra-run"
  got=$(as_user wendra-run --version)
  [[ "$got" == "wendra-run $version" ]] && ok "wendra-run --version: $got" || fail "wendra-run --version: $got"
  args=(--encoding path --width 12 --height 8 --population 50 --generations 20 --runs 2 --tour)
  installed=$(as_user wendra-run "${args[@]}")
  status=$?
  built=$("$BUILD/cli/wendra-run" "${args[@]}")
  if [[ $status -eq 0 && $(wc -l <<<"$installed") -eq 43 && "$installed" == "$built" ]]; then
    ok "wendra-run ${args[*]}: 43 lines, the same as the build's"
  else
    fail "wendra-run ${args[*]}: status $status, $(wc -l <<<"$installed") lines, same as the build's: $([[ "$installed" == "$built" ]] && echo yes || echo no)"
  fi
  as_user wendra-run --width 3 >/dev/null 2>&1
  [[ $? -eq 2 ]] && ok "wendra-run --width 3: exit status 2" || fail "wendra-run --width 3 is not refused with status 2"

  step "Pass '$pass': the window programs under Xvfb"
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$OUT/$pass-xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
  display=:$(head -1 "$work/display")
  if [[ $display == : ]]; then
    fail "Xvfb did not start"
  else
    bind /tmp/.X11-unix "$root/tmp/.X11-unix" --bind
    echo "  display $display"
    prog_pids=""
    check_window wendra1 alt+F4
    check_window wendra3 TERM
  fi

  step "Pass '$pass': apt-get purge"
  if apt_in_root purge -y wendra >>"$OUT/$pass-apt.log" 2>&1 && [[ ! -e $root/usr/bin/wendra1 ]] &&
     [[ ! -e $root/usr/share/applications/wendra1.desktop ]] && [[ ! -e $root/usr/share/doc/wendra ]]; then
    ok "purged, no files left"
  else
    fail "apt-get purge wendra left files or failed"
  fi
  cleanup
done

echo
if [[ $failures -eq 0 ]]; then
  echo "clean install ok: ${passes[*]} ($((SECONDS - started)) s)"
else
  echo "clean install: $failures failure(s) ($((SECONDS - started)) s)"
fi
[[ $failures -eq 0 ]]
