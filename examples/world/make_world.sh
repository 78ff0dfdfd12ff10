#!/usr/bin/env bash
# make_world.sh -- regenerates the demo world: ground and object pictures (ImageMagick), an island
# map pair (maps/island.qz61 and maps/island.red) and the cell definition files for its codes.
set -euo pipefail
cd "$(dirname "$0")"
IM=/usr/bin/convert
mkdir -p gfx/topo gfx/objects maps codes/island DATA

# Ground pictures, 32 x 32, with a little texture.
ground() { $IM -size 32x32 xc:"$2" -attenuate 0.35 +noise Gaussian -blur 0x0.6 "gfx/topo/$1.png"; }
ground water '#2a5fa8'
ground sand '#d8c48a'
ground grass '#4f9a3c'
ground forest '#2f6a2a'
ground rock '#8a8780'

# Object pictures on magenta, the transparent colour.
$IM -size 32x32 xc:magenta +antialias -fill '#5a3a1a' -draw 'rectangle 14,18 17,30' \
    -fill '#1f5a1f' -draw 'circle 16,12 16,2' -fill '#2e7a2e' -draw 'circle 13,10 13,5' gfx/objects/tree.png
$IM -size 32x32 xc:magenta +antialias -fill '#3f7f2f' -draw 'circle 16,22 16,14' -fill '#5a9a3a' -draw 'circle 12,20 12,17' gfx/objects/bush.png
$IM -size 16x16 xc:magenta +antialias -fill '#f0e040' -draw 'circle 8,8 8,4' -fill '#e05050' -draw 'circle 8,8 8,7' gfx/objects/flower.png
$IM -size 32x32 xc:magenta +antialias -fill '#6a6660' -draw 'ellipse 16,20 12,8 0,360' -fill '#9a968f' -draw 'ellipse 13,17 5,3 0,360' gfx/objects/stone.png

# Object definitions: name, density (1 in density + 1), drawing and collision.
obj() {  # file name density fit hotspot collision
  printf 'DGFXNAME\r\n%s\r\nDDENSITY\r\n%s\r\nDGFXSHOW\r\n1\r\nDGFXTRANSPARENCY\r\n255\r\nDFITTOMATRIX\r\n%s\r\nDHOTSPOT\r\n%s\r\nDCOLLISION\r\n%s\r\n' \
    "$2" "$3" "$4" "$5" "$6" > "gfx/objects/$1.dll"
}
obj tree tree 0 1 '' 1
obj bush bush 3 1 '' 0
obj flower flower 5 0 '' 0
obj stone stone 2 1 '' 1
# The flower is 16 x 16: centre it in its cell.
printf 'DHOTSPOT\r\nCENTER\r\n' >> gfx/objects/flower.dll
printf 'DXMODE1\r\n5\r\nDXMODE2\r\n6\r\n' >> gfx/objects/stone.dll

# Cell definitions, one per colour code of the map.
printf 'GFXNAME\r\nwater.png\r\n' > codes/island/000000200
printf 'GFXNAME\r\nsand.png\r\n' > codes/island/220200120
printf 'GFXNAME\r\ngrass.png\r\nCHILD1\r\nflower\r\nCHILD2\r\n#\r\n' > codes/island/060160060
printf 'GFXNAME\r\nforest.png\r\nCHILD1\r\ntree\r\nCHILD2\r\nbush\r\n' > codes/island/020100030
printf 'GFXNAME\r\nrock.png\r\nCHILD1\r\nstone\r\nUSECOLLISION\r\n1\r\n' > codes/island/128128128

# The island: 79 x 47 (80 x 48 cells), written as mapconvert writes an AI map and a red map.
python3 - <<'PY'
import math
W, H = 79, 47
def terrain(x, y):
    dx, dy = (x - W / 2) / (W / 2), (y - H / 2) / (H / 2)
    d = math.sqrt(dx * dx + dy * dy) + 0.12 * math.sin(x * 0.45) * math.cos(y * 0.38)
    if d > 0.92: return (0, 0, 200)
    if d > 0.8: return (220, 200, 120)
    if d < 0.22: return (128, 128, 128)
    if 0.3 < d < 0.55 and math.sin(x * 0.3 + y * 0.2) > -0.2: return (20, 100, 30)
    return (60, 160, 60)
def alpha(x, y):
    return 255 if x < W and y < H else 0
ai = ["AI-FILE:(C) Orvanel, Made Using TINCTOR-AI By Orvanel", str(W), str(H), "SourceImage:island.png", "AI-DATA:"]
red = ["RED-FILE:(C) Orvanel, Made Using TINCTOR By Orvanel", str(W), str(H), "SourceImage:island.png", "RED-DATA:"]
for x in range(W + 1):
    for y in range(H + 1):
        r, g, b = terrain(x, y) if x < W and y < H else (0, 0, 0)
        ai += ["%03d" % r, "%03d" % g, "%03d" % b]
        red.append(str(alpha(x, y)))
open("maps/island.qz61", "wb").write(("\r\n".join(ai) + "\r\n").encode())
open("maps/island.red", "wb").write(("\r\n".join(red) + "\r\n").encode())
PY

# The engine's configuration (key line, value line).
printf '%s\r\n' APPNAME "Orvanel world demo" RESOLUTION 32 USESPRITE3D 1 MULTITASK 5 CURSORSPEED 245 \
  WORLDRANDOM 42 APPENTRY 'maps\' APPSTART island TOPOGFX 'gfx\topo\' WORLDGFX 'gfx\objects\' GFXCODEC .png \
  RGBCODEPATH 'codes\' WORLDREFRESH 60 > DATA/ini.txt
echo "demo world written to $(pwd)"
