#!/usr/bin/env bash
# Installs into a temporary prefix and checks the result: exactly the expected
# files, valid desktop entries, a manual page that renders without warnings,
# --help and --version that agree with it, and a Debian package whose control
# data names the Qt runtime packages.
set -u
build=$1
fail=0
note() { echo "FAIL: $*"; fail=1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake --install "$build" --prefix "$tmp/usr" >/dev/null || note "cmake --install failed"
expected=$(printf '%s\n' \
  usr/bin/wendra-run usr/bin/wendra1 usr/bin/wendra3 \
  usr/share/applications/wendra1.desktop usr/share/applications/wendra3.desktop \
  usr/share/icons/hicolor/scalable/apps/wendra.svg \
  usr/share/man/man1/wendra-run.1 | sort)
actual=$(cd "$tmp" && find . -type f | sed 's|^\./||' | sort)
[[ "$actual" == "$expected" ]] || note "installed files differ:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"

for d in "$tmp"/usr/share/applications/*.desktop; do
  desktop-file-validate "$d" 2>&1 | grep -v ': hint: ' | grep . && note "desktop-file-validate $d"
  grep -q '^Terminal=false$' "$d" || note "$d: Terminal"
  grep -q '^Categories=.*Education;.*Science;' "$d" || note "$d: Categories"
  grep -q '^Icon=wendra$' "$d" || note "$d: Icon"
done

man_page="$tmp/usr/share/man/man1/wendra-run.1"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man_page" 2>&1 >/dev/null)
[[ -z "$warnings" ]] || note "man warnings: $warnings"

run="$tmp/usr/bin/wendra-run"
version=$("$run" --version) || note "--version failed"
grep -q "\"wendra ${version#wendra-run }\"" "$man_page" || note "--version ($version) differs from the manual page"
for option in $("$run" --help | grep -o -- '--[a-z]*' | sort -u); do
  grep -q -- "\\\\-\\\\${option#-}" "$man_page" || note "--help names $option, the manual page does not"
done
for option in $(grep -o -- '^\.B[IR]* \\-\\-[a-z]*' "$man_page" | sed 's/.*\\-\\-/--/' | sort -u); do
  "$run" --help | grep -q -- "$option" || note "the manual page names $option, --help does not"
done

if command -v cpack >/dev/null; then
  (cd "$build" && cpack -G DEB -B "$tmp/pkg" >/dev/null 2>&1) || note "cpack failed"
  deb=$(ls "$tmp"/pkg/*.deb 2>/dev/null | head -1)
  if [[ -n "$deb" ]]; then
    depends=$(dpkg-deb -f "$deb" Depends)
    for p in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins libc6 libstdc++6; do
      [[ "$depends" == *"$p"* ]] || note "package Depends lacks $p: $depends"
    done
    contents=$(dpkg-deb -c "$deb")
    for f in usr/bin/wendra1 usr/bin/wendra3 usr/bin/wendra-run usr/share/man/man1/wendra-run.1; do
      [[ "$contents" == *"./$f"* ]] || note "package lacks $f"
    done
  else
    note "no package built"
  fi
fi
[[ $fail -eq 0 ]] && echo "install tree ok"
exit $fail
