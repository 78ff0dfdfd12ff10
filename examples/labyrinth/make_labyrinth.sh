#!/usr/bin/env bash
# make_labyrinth.sh -- regenerates the labyrinth demo: tile pictures (ImageMagick), tile definitions,
# two objects, the base file and the configuration. Page Up / Page Down step through its variants.
set -euo pipefail
cd "$(dirname "$0")"
IM=/usr/bin/convert
mkdir -p DATA codes/lab gfx/topo gfx/objects

crlf() { printf '%s\r\n' "$@"; }

# Tile pictures, 32 x 32: plain tiles with a little texture; edge tiles carry a dark band on the
# side that faces the wall, green or water (west for _E, north for _S).
tile() {  # name colour
  $IM -size 32x32 xc:"$2" -attenuate 0.3 +noise Gaussian "gfx/topo/$1.png"
}
edge() {  # name floor-colour band-colour side
  local draw='rectangle 0,0 5,31'
  [ "$4" = S ] && draw='rectangle 0,0 31,5'
  $IM -size 32x32 xc:"$2" -attenuate 0.3 +noise Gaussian +antialias -fill "$3" -draw "$draw" "gfx/topo/$1.png"
}
tile LAB_WALL '#5a5a64'
tile LAB_FLOOR '#c8be96'
tile LAB_GREEN '#3c9a46'
tile LAB_WATER '#2a5ab4'
for kind in WALL GREEN WATER; do
  case $kind in WALL) band='#3c3c44' ;; GREEN) band='#2a6e32' ;; WATER) band='#1e4282' ;; esac
  edge "LAB_${kind}_E" '#c8be96' "$band" E
  edge "LAB_${kind}_S" '#c8be96' "$band" S
done

# Objects on magenta, the transparent colour: reeds in the water, bushes on the green.
$IM -size 32x32 xc:magenta +antialias -fill '#6a8a3a' -draw 'rectangle 10,8 12,28' -draw 'rectangle 16,4 18,28' \
    -draw 'rectangle 22,10 24,28' gfx/objects/reed.png
$IM -size 32x32 xc:magenta +antialias -fill '#2f6f2f' -draw 'circle 16,20 16,10' -fill '#4a9a3a' \
    -draw 'circle 12,17 12,13' gfx/objects/bush.png
crlf DGFXNAME reed DDENSITY 2 DGFXSHOW 1 DGFXTRANSPARENCY 230 DFITTOMATRIX 1 > gfx/objects/reed.dll
crlf DGFXNAME bush DDENSITY 1 DGFXSHOW 1 DGFXTRANSPARENCY 255 DFITTOMATRIX 1 DCOLLISION 1 > gfx/objects/bush.dll

# Tile definitions: the ground picture of the same name; walls and water block the cursor. Every
# cell starts as LAB_WALL and a definition leaves a key it does not name as it was, so each
# walkable tile says USECOLLISION 0 itself, or the carved cells would keep the wall's 1.
for t in LAB_WALL LAB_FLOOR LAB_GREEN LAB_WATER LAB_WALL_E LAB_GREEN_E LAB_WATER_E LAB_WALL_S LAB_GREEN_S LAB_WATER_S; do
  case $t in LAB_WALL | LAB_WATER) blocks=1 ;; *) blocks=0 ;; esac
  crlf GFXNAME "$t.png" USECOLLISION $blocks > "codes/lab/$t"
done
crlf CHILD1 reed >> codes/lab/LAB_WATER
crlf CHILD1 bush >> codes/lab/LAB_GREEN

# The base file: the header of a map whose largest x and y bound the base's size.
crlf 'BASE-FILE:labyrinth demo' 120 70 'SourceImage:' 'BASE-DATA:' > base.txt

# The configuration. Cells of 80 pixels put the cursor's start cell (1, 1) below the debug overlay.
crlf APPNAME 'Orvanel labyrinth demo' RESOLUTION 80 USESPRITE3D 1 MULTITASK 5 CURSORSPEED 240 \
     USESELFCREATEBASE 1 SELFCREATEBASE base.txt RGBCODEPATH 'codes\' APPSTART lab \
     TOPOGFX 'gfx\topo\' WORLDGFX 'gfx\objects\' GFXCODEC .png WORLDRANDOM 11 LABSWITCH 3 MAPSIZE 120 \
     > DATA/ini.txt
echo "labyrinth demo written to $(pwd)"
