#!/bin/sh
# install_test.sh -- `cmake --install` with DESTDIR puts the programs, their manual pages, the
# desktop entries and icons of the window programs and the example worlds in place, and nothing
# of the build (libraries, tests, benchmarks).
# Usage: install_test.sh BUILD_FOLDER
set -eu
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null

failed=0
fail() { echo "install_test: $*" >&2; failed=1; }
has() { [ -e "$dest$1" ] || fail "missing: $1"; }

for program in simengine mapconvert dnaedit mapscan worlddump worldcheck worldmake worldshot worldexport worldimport; do
  has /usr/bin/$program
  [ -x "$dest/usr/bin/$program" ] || fail "not a program: /usr/bin/$program"
  has /usr/share/man/man1/$program.1
  grep -q "^\.TH \"$program\" \"1\"" "$dest/usr/share/man/man1/$program.1" 2>/dev/null ||
    fail "$program.1 is no manual page of section 1"
done
for program in simengine mapconvert dnaedit; do
  entry=/usr/share/applications/orvanel-$program.desktop
  has "$entry"
  has /usr/share/icons/hicolor/scalable/apps/orvanel-$program.svg
  grep -q "^Exec=/usr/libexec/orvanel-suite/start-example $program " "$dest$entry" 2>/dev/null ||
    fail "$entry does not start $program through the installed launcher"
  grep -q "^Icon=orvanel-$program$" "$dest$entry" 2>/dev/null || fail "$entry names no installed icon"
done
has /usr/libexec/orvanel-suite/start-example
grep -q '"/usr/share/orvanel-suite/examples/$example"' "$dest/usr/libexec/orvanel-suite/start-example" ||
  fail "the launcher does not copy the installed examples"
for file in world/DATA/ini.txt world/maps/island.qz61 labyrinth/DATA/ini.txt labyrinth/base.txt \
  mapconvert/ini.ini mapconvert/land.png dna/ini.qz61; do
  has /usr/share/orvanel-suite/examples/$file
done

# The installed programs run, and only they and their data were installed.
[ "$("$dest/usr/bin/mapscan" --version)" = "mapscan (Orvanel world suite) $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")" ] ||
  fail "the installed mapscan does not print the suite's version"
stray=$(find "$dest" -type f \( -name '*.a' -o -name '*_tests' -o -name '*_bench' -o -name 'qz61_log.txt' \))
[ -z "$stray" ] || fail "installed by mistake: $stray"

[ "$failed" = 0 ] && echo "install_test: programs, manual pages, desktop entries, icons and examples in place"
exit "$failed"
