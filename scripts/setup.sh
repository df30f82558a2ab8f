#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the end-to-end checks need.
# Idempotent: quiet when everything is present; uses sudo only when not root.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick tesseract-ocr
  libxcb1-dev openbox xfwm4 wmctrl x11-utils
  fonts-liberation fonts-dejavu-core
  dbus-daemon dbus-bin at-spi2-core python3-gi gir1.2-atspi-2.0 python3-pyatspi
  clang libclang-rt-14-dev
  desktop-file-utils man-db dpkg-dev
  parallel gnuplot-nox bsdutils
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
