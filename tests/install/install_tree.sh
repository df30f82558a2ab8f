#!/usr/bin/env bash
# Installs into a temporary prefix and checks the result: exactly the expected
# files, valid desktop entries, manual pages that render without warnings,
# --help and --version that agree with the runner's page, a changelog whose
# newest entry is this version, and a Debian package whose control data names
# the Qt runtime packages.
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
  $(for size in 16 22 24 32 48 64 128 256; do echo usr/share/icons/hicolor/${size}x$size/apps/wendra.png; done) \
  usr/share/man/man1/wendra-run.1.gz usr/share/man/man1/wendra1.1.gz \
  usr/share/man/man1/wendra3.1.gz \
  usr/share/doc/wendra/copyright usr/share/doc/wendra/changelog.gz | sort)
actual=$(cd "$tmp" && find . -type f -o -type l | sed 's|^\./||' | sort)
[[ "$actual" == "$expected" ]] || note "installed files differ:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"

for d in "$tmp"/usr/share/applications/*.desktop; do
  desktop-file-validate "$d" 2>&1 | grep -v ': hint: ' | grep . && note "desktop-file-validate $d"
  grep -q '^Terminal=false$' "$d" || note "$d: Terminal"
  grep -q '^Categories=.*Education;.*Science;' "$d" || note "$d: Categories"
  grep -q '^Icon=wendra$' "$d" || note "$d: Icon"
done

man1="$tmp/usr/share/man/man1"
for page in wendra-run.1.gz wendra1.1.gz wendra3.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man1/$page" 2>&1 >/dev/null)
  [[ -z "$warnings" ]] || note "man warnings in $page: $warnings"
done
[[ "$(readlink "$man1/wendra3.1.gz")" == wendra1.1.gz ]] || note "wendra3.1.gz does not link to wendra1.1.gz"
man_page="$tmp/man-wendra-run.1"
gzip -dc "$man1/wendra-run.1.gz" > "$man_page" || note "wendra-run.1.gz is not gzip"

run="$tmp/usr/bin/wendra-run"
version=$("$run" --version) || note "--version failed"
grep -q "\"wendra ${version#wendra-run }\"" "$man_page" || note "--version ($version) differs from the manual page"
gzip -dc "$man1/wendra1.1.gz" | grep -q "\"wendra ${version#wendra-run }\"" || note "--version ($version) differs from wendra1.1"
newest=$(gzip -dc "$tmp/usr/share/doc/wendra/changelog.gz" | head -1)
[[ "$newest" == "wendra (${version#wendra-run }) "* ]] || note "changelog's newest entry ($newest) is not version ${version#wendra-run }"
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
    for p in libqt6core6 libqt6gui6 libqt6widgets6 fonts-liberation hicolor-icon-theme libc6 libstdc++6; do
      [[ "$depends" == *"$p"* ]] || note "package Depends lacks $p: $depends"
    done
    contents=$(dpkg-deb -c "$deb")
    for f in usr/bin/wendra1 usr/bin/wendra3 usr/bin/wendra-run usr/share/man/man1/wendra-run.1.gz \
             usr/share/doc/wendra/copyright usr/share/doc/wendra/changelog.gz; do
      [[ "$contents" == *"./$f"* ]] || note "package lacks $f"
    done
  else
    note "no package built"
  fi
fi
[[ $fail -eq 0 ]] && echo "install tree ok"
exit $fail
