#!/bin/sh
# deb_test.sh -- `cpack -G DEB` makes a package that `apt install ./file.deb` installs on this
# Debian system, whose programs then run from the PATH on the installed examples, and which apt
# removes again without a trace. Needs root; skipped (exit 77) otherwise, and when the package is
# already installed (the test never touches an install it did not make).
# Usage: deb_test.sh BUILD_FOLDER
set -eu
build=$1
if [ "$(id -u)" != 0 ] || ! command -v apt >/dev/null; then
  echo "deb_test: needs root and apt: skipped"
  exit 77
fi
if dpkg-query -W -f='${Status}' orvanel-suite 2>/dev/null | grep -q 'install ok installed'; then
  echo "deb_test: orvanel-suite is installed already: skipped"
  exit 77
fi

work=$(mktemp -d)
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then apt-get remove -y -q orvanel-suite >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  exit 1
}
deb=$(ls "$work"/orvanel-suite_*.deb)
echo "deb_test: made $(basename "$deb")"
dpkg-deb -f "$deb" Depends

export DEBIAN_FRONTEND=noninteractive
installed=1
apt install -y -q "$deb" >"$work/apt.log" 2>&1 || {
  cat "$work/apt.log" >&2
  exit 1
}

# Every program answers from the PATH; the manual pages are found; a world builds from the
# installed examples.
for program in simengine mapconvert dnaedit mapscan worlddump worldcheck worldmake worldshot worldexport worldimport; do
  [ "$(command -v $program)" = /usr/bin/$program ] || { echo "deb_test: $program is not on the PATH" >&2; exit 1; }
  $program --version
  man -w $program >/dev/null || { echo "deb_test: no manual page for $program" >&2; exit 1; }
done
cp -R /usr/share/orvanel-suite/examples/labyrinth "$work/labyrinth"
(cd "$work/labyrinth" && worlddump >"$work/world.txt")
[ "$(head -1 "$work/world.txt")" != "" ] && [ "$(wc -l <"$work/world.txt")" -gt 1000 ] ||
  { echo "deb_test: worlddump of the installed labyrinth gave no world" >&2; exit 1; }
(cd "$work/labyrinth" && worldshot --cell 4 "$work/world.png") && [ -s "$work/world.png" ] ||
  { echo "deb_test: worldshot of the installed labyrinth gave no picture" >&2; exit 1; }
echo "deb_test: installed, ran, world of $(wc -l <"$work/world.txt") lines"

apt-get remove -y -q orvanel-suite >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; exit 1; }
installed=0
[ ! -e /usr/bin/simengine ] || { echo "deb_test: /usr/bin/simengine left behind" >&2; exit 1; }
echo "deb_test: removed"
