#!/usr/bin/env bash
# mapscan_bench -- mapscan against ImageMagick's text dump and against the floor of the same work.
#
# Two photographs are made here (blurred plasma fractals, whose colours are as many and as varied as
# a real photograph's): 1920 x 1080 JPEG and 640 x 480 PNG. For each, `mapscan red` and `rgb` run in
# alternation with the floor program (decoding the same picture with the same decoder, then writing
# as many bytes of map text as mapscan wrote), and ImageMagick's `convert PICTURE txt:-` runs beside
# them. Then `mapscan ai` on the JPEG (one new file per colour, about 480,000) alternates with a plain
# loop of exclusive open + close creating the same names in an empty folder.
#
# ImageMagick runs with one thread (MAGICK_THREAD_LIMIT=1): its processor time is the same as with
# its default threads, and on a shared machine its wall time is several times shorter.
#
# Times are processor seconds (user + system) of each process, medians of the runs: the machine is
# shared, and wall time there measures the other programs as much as this one. Wall medians are
# printed beside them. Every goal is printed with ": met" or ": MISSED" at the end of its line.
# Usage: mapscan_bench [RUNS [CONVERT_RUNS [AI_RUNS]]]   (defaults 5, 3, 4; MAPSCAN=path overrides mapscan;
# AI_RUNS 0 leaves out the AI map, which takes most of the time)
set -euo pipefail
shopt -s inherit_errexit  # a failing run inside $(...) ends the benchmark instead of timing nothing
mapscan=${MAPSCAN:-@MAPSCAN@}
floor=@FLOOR@
convert=/usr/bin/convert
runs=${1:-5}
convert_runs=${2:-3}
ai_runs=${3:-4}
# Each creation of some 480,000 files makes the next one slower (the file system's inode tables
# fill), so the AI rounds come in pairs, each side going first once: an odd count would let one
# side go second more often.
[ $((ai_runs % 2)) -eq 0 ] || ai_runs=$((ai_runs + 1))
[ "$runs" -ge 1 ] && [ "$convert_runs" -ge 1 ] && [ "$ai_runs" -ge 0 ] ||
  { echo "usage: mapscan_bench [RUNS [CONVERT_RUNS [AI_RUNS]]] (RUNS and CONVERT_RUNS at least 1)" >&2; exit 2; }
[ -x "$convert" ] || { echo "mapscan_bench: ImageMagick's $convert is missing" >&2; exit 1; }
[ -x "$mapscan" ] || { echo "mapscan_bench: $mapscan is missing" >&2; exit 1; }
[ -x "$floor" ] || { echo "mapscan_bench: $floor is missing" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$convert" -seed 61 -size 1920x1080 plasma:fractal -blur 0x2 -quality 92 photo.jpg
"$convert" -seed 62 -size 640x480 plasma:fractal -blur 0x2 -depth 8 photo.png

# Appends "WALL CPU" of one run of a command to the file named first.
timed() {
  local into=$1
  shift
  "$floor" time "$@" >>"$into" || { echo "mapscan_bench: failed: $*" >&2; exit 1; }
}

# The median of column N (1 wall, 2 processor) of a timing file, in seconds.
median() { awk -v c="$2" '{print $c}' "$1" | sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }

ms() { awk -v s="$1" 'BEGIN{printf "%.1f ms", s * 1000}'; }
seconds() { awk -v s="$1" 'BEGIN{printf "%.2f s", s}'; }

# "RATIO (goal OP GOAL): met|MISSED" for ratio a / b; OP is <= or >=.
verdict() {
  awk -v a="$1" -v b="$2" -v op="$3" -v g="$4" -v f="$5" 'BEGIN{
    r = a / (b > 0 ? b : 1e-6); ok = (op == "<=") ? r <= g : r >= g
    printf f " (goal %s " f "): %s\n", r, op, g, ok ? "met" : "MISSED" }'
}

# ---- red and RGB maps against their floor and ImageMagick
for picture in photo.jpg photo.png; do
  case $picture in
    photo.jpg) label="1920 x 1080 JPEG" ;;
    *) label="640 x 480 PNG" ;;
  esac
  : >"im.$picture"
  for _ in $(seq "$convert_runs"); do timed "im.$picture" env MAGICK_THREAD_LIMIT=1 sh -c "'$convert' $picture txt:- > im.txt"; done
  rm -f im.txt
  im=$(median "im.$picture" 2)
  [ "$picture" = photo.jpg ] && im_jpeg=$im
  echo "$label: convert $picture txt:-  $(seconds "$im") (wall $(seconds "$(median "im.$picture" 1)")), median of $convert_runs"
  for kind in red rgb; do
    "$mapscan" "$kind" "$picture" land --quiet
    bytes=$(stat -c %s "land.$kind")
    : >scan.t
    : >floor.t
    for _ in $(seq "$runs"); do
      timed floor.t "$floor" decode "$picture" "$bytes" floor.txt
      timed scan.t "$mapscan" "$kind" "$picture" land
    done
    scan=$(median scan.t 2)
    low=$(median floor.t 2)
    echo "  mapscan $kind  $(ms "$scan") (wall $(ms "$(median scan.t 1)")); floor: decode + write $bytes bytes $(ms "$low")" \
      "(wall $(ms "$(median floor.t 1)")), median of $runs"
    echo "    over the floor:    $(verdict "$scan" "$low" "<=" 1.5 "%.2fx")"
    echo "    beside ImageMagick: $(verdict "$im" "$scan" ">=" 300 "%.0fx")"
  done
done
rm -f floor.txt land.red land.rgb
if [ "$ai_runs" -eq 0 ]; then
  echo "AI map: left out (AI_RUNS 0)"
  exit 0
fi

# ---- AI map: one new file per colour, against a plain loop creating the same names
# Every run writes into a new folder and nothing is deleted until the end: the file system slows new
# creations for a while after a mass deletion, which would measure the deletion instead. Turns
# alternate who goes first, as each batch of files also makes the next one a little slower.
mkdir warm
"$mapscan" ai photo.jpg land --dest warm --yes --quiet
ls warm >names
codes=$(wc -l <names)
: >ai.t
: >create.t
for round in $(seq "$ai_runs"); do
  mkdir "codes$round" "loop$round"
  if [ $((round % 2)) -eq 1 ]; then
    timed create.t "$floor" create "loop$round" names
    timed ai.t "$mapscan" ai photo.jpg land --dest "codes$round" --yes
  else
    timed ai.t "$mapscan" ai photo.jpg land --dest "codes$round" --yes
    timed create.t "$floor" create "loop$round" names
  fi
done
ai=$(median ai.t 2)
create=$(median create.t 2)
echo "1920 x 1080 JPEG, $codes distinct colours:"
echo "  mapscan ai, $codes new colour-code files  $(seconds "$ai") (wall $(seconds "$(median ai.t 1)"))," \
  "median of $ai_runs"
echo "  exclusive open + close of the same names  $(seconds "$create") (wall $(seconds "$(median create.t 1)"))"
echo "    over the plain loop: $(verdict "$ai" "$create" "<=" 1.2 "%.2fx")"
# No goal beside ImageMagick here: the files, not the scan, set this pace (the goal is the loop's).
echo "    beside ImageMagick:  $(awk -v a="$im_jpeg" -v b="$ai" 'BEGIN{printf "%.0fx", a / (b > 0 ? b : 1e-6)}') (for information)"
: >again.t
for _ in $(seq "$ai_runs"); do timed again.t "$mapscan" ai photo.jpg land --dest warm --yes; done
echo "  mapscan ai, files already there           $(seconds "$(median again.t 2)") (wall $(seconds "$(median again.t 1)"))"
: >basic.t
for round in $(seq "$runs"); do
  mkdir "basic$round"
  timed basic.t "$mapscan" ai-basic photo.jpg land --dest "basic$round"
done
echo "  mapscan ai-basic, 5 colour-code files     $(ms "$(median basic.t 2)") (wall $(ms "$(median basic.t 1)"))"
