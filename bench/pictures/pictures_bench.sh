#!/usr/bin/env bash
# pictures_bench -- decodes pictures whose headers lie about their size (a small real picture with
# its header rewritten to 16000 x 16000 or 30000 x 30000, hand-made TIFFs listing millions of
# strips) under /usr/bin/time -v, and prints each refusal's time and peak memory against the
# decode of the honest picture. Goal: refused in under 0.25 s of processor time (well under a
# second; processor time, because the wall clock of a short run on a busy machine is mostly waiting)
# with a peak at most 16 MB above the honest decode's.
# Usage: pictures_bench   (PROBE=path overrides the decoding program)
set -euo pipefail
probe=${PROBE:-@PROBE@}
convert=/usr/bin/convert
for tool in "$convert" /usr/bin/time /usr/bin/python3 "$probe"; do
  [ -x "$tool" ] || { echo "pictures_bench: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
for kind in png:PNG24 jpg:JPEG tif:TIFF bmp:BMP3; do
  "$convert" -seed 5 -size 96x64 plasma:fractal -depth 8 -compress "$([ "${kind%%:*}" = tif ] && echo LZW || echo None)" \
    "${kind#*:}:honest.${kind%%:*}"
done
"$convert" -seed 5 -size 96x64 plasma:fractal -depth 8 -interlace JPEG honest_progressive.jpg

# The lying copies: size fields rewritten (with a valid CRC for PNG), and TIFFs made by hand.
python3 - <<'PY'
import struct, zlib
def resized(name, w, h):
    d = bytearray(open(name, 'rb').read())
    if d[:4] == b'\x89PNG':
        d[16:24] = struct.pack('>II', w, h); d[29:33] = struct.pack('>I', zlib.crc32(bytes(d[12:29])))
    elif d[:2] == b'\xff\xd8':
        i = 2
        while d[i + 1] not in (0xC0, 0xC1, 0xC2): i += 2 + (d[i + 2] << 8 | d[i + 3])
        d[i + 5:i + 9] = struct.pack('>HH', h, w)
    elif d[:2] == b'II':
        ifd = struct.unpack('<I', d[4:8])[0]
        for e in range(struct.unpack('<H', d[ifd:ifd + 2])[0]):
            at = ifd + 2 + 12 * e
            tag, typ = struct.unpack('<HH', d[at:at + 4])
            if tag in (256, 257): d[at + 8:at + 12] = struct.pack('<HH' if typ == 3 else '<I', *((w if tag == 256 else h, 0) if typ == 3 else (w if tag == 256 else h,)))
    else:
        d[18:26] = struct.pack('<ii', w, h)
    return d
def tiff(width, height, rows, compression, data, tile=0):
    e = [(256, 4, width), (257, 4, height), (258, 3, 8), (259, 3, compression), (262, 3, 1), (277, 3, 1)]
    e += [(322, 4, tile), (323, 4, tile), (324, 4, 8), (325, 4, len(data))] if tile else [(273, 4, 8), (278, 4, rows), (279, 4, len(data))]
    out = b'II*\0' + struct.pack('<I', 8 + len(data)) + data + struct.pack('<H', len(e))
    for tag, typ, v in sorted(e):
        out += struct.pack('<HHI', tag, typ, 1) + (struct.pack('<HH', v, 0) if typ == 3 else struct.pack('<I', v))
    return out + b'\0\0\0\0'
for ext in ('png', 'jpg', 'tif', 'bmp'):
    for side in (16000, 30000):
        open('lie%d.%s' % (side, ext), 'wb').write(resized('honest.' + ext, side, side))
open('lie16000_progressive.jpg', 'wb').write(resized('honest_progressive.jpg', 16000, 16000))
open('lie16000_222bytes.tif', 'wb').write(tiff(16000, 16000, 16000, 5, b'\x80' + b'\0' * 100))
open('lie_strips.tif', 'wb').write(tiff(1, (1 << 28) - 1, 1, 1, b'\0' * 16))
open('lie_tiles.tif', 'wb').write(tiff(16384, 16384, 0, 1, b'\0' * 16, tile=16))
PY

# "processor_seconds peak_kb" of one decode.
measure() {
  /usr/bin/time -f "%U %S %M" -o time.txt timeout 60 "$probe" "$1" >/dev/null 2>&1 || true
  tail -1 time.txt | awk '{printf "%.2f %s\n", $1 + $2, $3}'
}

read -r _ base_kb < <(measure honest.png)
echo "honest 96 x 64 PNG decodes with a peak of ${base_kb} KB"
missed=0
for f in lie*; do
  read -r secs kb < <(measure "$f")
  verdict=$("$probe" "$f" >/dev/null 2>&1 && echo "decoded" || echo "refused")
  growth=$(( (kb - base_kb) / 1024 ))
  ok=$(awk -v s="$secs" -v g="$growth" -v v="$verdict" 'BEGIN{print (s < 0.25 && g <= 16 && v == "refused") ? "met" : "MISSED"}')
  [ "$ok" = met ] || missed=1
  printf '%-26s %6s bytes  %s in %s s, peak +%s MB  (goal: refused, < 0.25 s, <= +16 MB) %s\n' \
    "$f" "$(stat -c %s "$f")" "$verdict" "$secs" "$growth" "$ok"
done
exit $missed
