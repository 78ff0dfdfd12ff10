#!/usr/bin/env bash
# make_world.sh -- regenerates the demo world: ground and object pictures (ImageMagick), an island
# map pair (maps/island.qz61 and maps/island.red) and the cell definition files for its codes.
set -euo pipefail
cd "$(dirname "$0")"
IM=/usr/bin/convert
mkdir -p gfx/topo gfx/objects maps codes/island DATA

# Ground pictures, 96 x 96 like the cells (RESOLUTION), with a little texture.
ground() { $IM -size 96x96 xc:"$2" -attenuate 0.35 +noise Gaussian -blur 0x0.8 "gfx/topo/$1.png"; }
ground water '#2a5fa8'
ground sand '#d8c48a'
ground grass '#4f9a3c'
ground forest '#2f6a2a'
ground rock '#8a8780'

# Object pictures on magenta, the transparent colour (no antialiasing, so no pink fringes).
$IM -size 96x96 xc:magenta +antialias -fill '#5a3a1a' -draw 'rectangle 42,54 51,90' \
    -fill '#1f5a1f' -draw 'circle 48,36 48,6' -fill '#2e7a2e' -draw 'circle 39,30 39,15' gfx/objects/tree.png
$IM -size 96x96 xc:magenta +antialias -fill '#3f7f2f' -draw 'circle 48,66 48,42' -fill '#5a9a3a' -draw 'circle 36,60 36,51' gfx/objects/bush.png
$IM -size 48x48 xc:magenta +antialias -fill '#f0e040' -draw 'circle 24,24 24,12' -fill '#e05050' -draw 'circle 24,24 24,20' gfx/objects/flower.png
$IM -size 96x96 xc:magenta +antialias -fill '#6a6660' -draw 'ellipse 48,60 36,24 0,360' -fill '#9a968f' -draw 'ellipse 39,51 15,9 0,360' gfx/objects/stone.png

# Object definitions: name, density (1 in density + 1), drawing and collision.
obj() {  # file name density fit hotspot collision
  printf 'DGFXNAME\r\n%s\r\nDDENSITY\r\n%s\r\nDGFXSHOW\r\n1\r\nDGFXTRANSPARENCY\r\n255\r\nDFITTOMATRIX\r\n%s\r\nDHOTSPOT\r\n%s\r\nDCOLLISION\r\n%s\r\n' \
    "$2" "$3" "$4" "$5" "$6" > "gfx/objects/$1.dll"
}
obj tree tree 0 1 '' 1
obj bush bush 3 1 '' 0
obj flower flower 5 0 '' 0
obj stone stone 2 1 '' 1
# The flower is half a cell: centre it in its cell.
printf 'DHOTSPOT\r\nCENTER\r\n' >> gfx/objects/flower.dll
printf 'DXMODE1\r\n5\r\nDXMODE2\r\n6\r\n' >> gfx/objects/stone.dll

# Cell definitions, one per colour code of the map. Only rock blocks the cursor; the others say
# so themselves (USECOLLISION 0), since a definition leaves a key it does not name as it was.
printf 'GFXNAME\r\nwater.png\r\nUSECOLLISION\r\n0\r\n' > codes/island/000000200
printf 'GFXNAME\r\nsand.png\r\nUSECOLLISION\r\n0\r\n' > codes/island/220200120
printf 'GFXNAME\r\ngrass.png\r\nCHILD1\r\nflower\r\nCHILD2\r\n#\r\nUSECOLLISION\r\n0\r\n' > codes/island/060160060
printf 'GFXNAME\r\nforest.png\r\nCHILD1\r\ntree\r\nCHILD2\r\nbush\r\nUSECOLLISION\r\n0\r\n' > codes/island/020100030
printf 'GFXNAME\r\nrock.png\r\nCHILD1\r\nstone\r\nUSECOLLISION\r\n1\r\n' > codes/island/128128128
printf 'NOTE\r\nthe dark border round the island: no ground, no objects\r\n' > codes/island/000000000

# The island: 47 x 29 (48 x 30 cells, two to three screens each way), written as mapconvert
# writes an AI map and a red map. The view starts at its top-left corner: shore, woods and rock.
python3 - <<'PY'
import math
W, H = 47, 29
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
printf '%s\r\n' APPNAME "Orvanel world demo" RESOLUTION 96 USESPRITE3D 1 MULTITASK 5 CURSORSPEED 245 \
  WORLDRANDOM 42 APPENTRY 'maps\' APPSTART island TOPOGFX 'gfx\topo\' WORLDGFX 'gfx\objects\' GFXCODEC .png \
  RGBCODEPATH 'codes\' WORLDREFRESH 60 > DATA/ini.txt
echo "demo world written to $(pwd)"
