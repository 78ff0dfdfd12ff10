#!/usr/bin/env bash
# mapscan_bench -- converts one 1920 x 1080 photograph with mapscan (red map; AI map with its
# colour-code files) and dumps it with ImageMagick's `convert PICTURE txt:-`, and prints the
# speed ratios. The photograph is made here: a blurred plasma fractal, saved as JPEG, whose
# colours are as many and as varied as a real photograph's.
# Usage: mapscan_bench [RUNS]   (MAPSCAN=path overrides the mapscan program)
set -euo pipefail
shopt -s inherit_errexit  # a failing run inside $(...) ends the benchmark instead of timing nothing
mapscan=${MAPSCAN:-@MAPSCAN@}
convert=/usr/bin/convert
runs=${1:-7}
[ -x "$convert" ] || { echo "mapscan_bench: ImageMagick's $convert is missing" >&2; exit 1; }
[ -x "$mapscan" ] || { echo "mapscan_bench: $mapscan is missing" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$convert" -seed 61 -size 1920x1080 plasma:fractal -blur 0x2 -quality 92 photo.jpg

# Wall-clock seconds of one run of a command (its output goes to files in the work folder).
seconds() {
  local TIMEFORMAT=%R t
  t=$( { time "$@" >/dev/null 2>&1; } 2>&1 ) || { echo "mapscan_bench: failed: $*" >&2; return 1; }
  echo "$t"
}

# The smallest of RUNS timings of a command; a setup command runs before each (untimed).
best_of() {
  local setup=$1; shift
  local best="" t
  for _ in $(seq "$runs"); do
    eval "$setup"
    t=$(seconds "$@")
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN{exit !(a<b)}'; then best=$t; fi
  done
  echo "$best"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (b <= 0) b = 0.001; printf "%.0f", a / b }'; }
# "met" when the ratio reaches the goal, else "MISSED".
verdict() { awk -v r="$1" -v g="$2" 'BEGIN{ print (r >= g ? "met" : "MISSED") }'; }

baseline=$(seconds sh -c "'$convert' photo.jpg txt:- > photo.txt")
red=$(best_of "rm -f land.red" "$mapscan" red photo.jpg land)
# The full AI map creates one file per colour, hundreds of thousands: one run, and the
# folder is emptied only once (deleting them takes longer than making them).
ai=$(runs=1 best_of "rm -rf codes land.qz61; mkdir codes" "$mapscan" ai photo.jpg land --dest codes --yes)
codes=$(ls codes | wc -l)
again=$(runs=2 best_of ":" "$mapscan" ai photo.jpg land --dest codes --yes)
basic=$(best_of "rm -rf basic; mkdir basic" "$mapscan" ai-basic photo.jpg land --dest basic)

echo "photograph: 1920 x 1080 JPEG, $codes distinct colours"
echo "convert photo.jpg txt:-                 ${baseline} s"
r=$(ratio "$baseline" "$red")
echo "mapscan red                             ${red} s   ratio ${r}x (goal: at least 300x): $(verdict "$r" 300)"
r=$(ratio "$baseline" "$ai")
echo "mapscan ai, $codes new colour-code files ${ai} s   ratio ${r}x (goal: at least 100x): $(verdict "$r" 100)"
echo "mapscan ai, files already there         ${again} s   ratio $(ratio "$baseline" "$again")x"
echo "mapscan ai-basic, 5 colour-code files   ${basic} s   ratio $(ratio "$baseline" "$basic")x"
