#!/usr/bin/env bash
# tiled_bench -- worldimport against Tiled's renderer, worldexport against worldshot, side by side.
#
# A 512 x 512 Tiled map of two layers (8-pixel tiles) is imported by worldimport and drawn by
# `tmxrasterizer --no-smoothing` in alternation; the 512 x 512 benchmark world (8 pixels a cell) is
# exported by worldexport and drawn by worldshot in alternation. Times are processor seconds (user +
# system) of each process, medians of the runs, with wall medians beside them: the machine is shared.
# Goals: importing takes at most 2 times the render, exporting at most 2 times worldshot.
# Usage: tiled_bench [RUNS]   (default 3)
set -euo pipefail
shopt -s inherit_errexit
worldimport=@WORLDIMPORT@
worldexport=@WORLDEXPORT@
worldshot=@WORLDSHOT@
files=@FILES@
runs=${1:-3}
command -v tmxrasterizer >/dev/null || { echo "tiled_bench: tmxrasterizer is missing (scripts/setup installs tiled)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "tiled_bench: /usr/bin/time is missing (package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$files" "$work"
export QT_QPA_PLATFORM=offscreen

# Appends "WALL CPU" of one run of a command to the file named first.
timed() {
  local into=$1
  shift
  /usr/bin/time -f '%e %U %S' -o "$work/t" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; echo "tiled_bench: failed: $*" >&2; exit 1; }
  awk '{printf "%s %.3f\n", $1, $2 + $3}' "$work/t" >>"$into"
}
median() { awk -v c="$2" '{print $c}' "$1" | sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }
verdict() {
  awk -v a="$1" -v b="$2" -v g="$3" -v what="$4" 'BEGIN{
    r = a / (b > 0 ? b : 1e-6)
    printf "%s: ratio %.2f (goal <= %.1f): %s\n", what, r, g, r <= g ? "met" : "MISSED" }'
}

for ((i = 0; i < runs; i++)); do
  rm -rf "$work/imported"
  timed "$work/import" "$worldimport" -q "$work/map/map.tmx" "$work/imported"
  timed "$work/render" tmxrasterizer --no-smoothing "$work/map/map.tmx" "$work/render.png"
  timed "$work/export" "$worldexport" -q "$work/world" "$work/exported/land.tmx"
  timed "$work/shot" "$worldshot" "$work/world" "$work/shot.png"
done

for pair in "import render" "export shot"; do
  set -- $pair
  printf '%-8s processor %.2f s (wall %.2f s)   %-8s processor %.2f s (wall %.2f s)\n' \
    "$1" "$(median "$work/$1" 2)" "$(median "$work/$1" 1)" "$2" "$(median "$work/$2" 2)" "$(median "$work/$2" 1)"
done
verdict "$(median "$work/import" 2)" "$(median "$work/render" 2)" 2 "worldimport of a 512 x 512 map of two layers / tmxrasterizer of it"
verdict "$(median "$work/export" 2)" "$(median "$work/shot" 2)" 2 "worldexport of the 512 x 512 benchmark world / worldshot of it"
