#!/usr/bin/env bash
# Makes the README's pictures with the view's own drawing code:
#   docs/make_pictures.sh [path/to/tibrel-cli]
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${1:-build/src/tibrel-cli}
out=docs/pictures
"$cli" render examples/plate_islands.dxf --select all-closed --size 640x480 -o $out/plate_islands.png
"$cli" render examples/plate_islands.dxf --select all-closed --operation pocket --set RoughDiameter=4 --set RoughFeed=600 --set RoughPlunge=200 \
  --set RoughStepXY=2 --set RoughStepZ=3 --set RapidHeight=5 --depth 3 --size 640x480 -o $out/plate_islands_pocket.png
"$cli" render examples/plate_islands.dxf --select all-closed --operation pocket --set RoughDiameter=4 --set RoughFeed=600 --set RoughPlunge=200 \
  --set RoughStepXY=2 --set RoughStepZ=1 --set RapidHeight=5 --depth 3 --view 3d --size 640x480 \
  -o $out/plate_islands_pocket_3d.png
"$cli" render examples/bracket.dxf --select all-closed --operation contour --set RoughDiameter=3 --set RoughFeed=600 --set RoughPlunge=200 \
  --set Compensation=Cutout --set RoughStepZ=2 --set RapidHeight=5 --set Entry=Arc --set EntryLength=2 \
  --depth 4 --size 640x480 -o $out/bracket_cutout.png
# The renderer writes stored (uncompressed) PNGs; compress them for the repository.
python3 - $out/*.png <<'PY'
import struct, sys, zlib
for path in sys.argv[1:]:
    data = open(path, 'rb').read()
    at, chunks, idat = 8, [], b''
    while at < len(data):
        n, = struct.unpack('>I', data[at:at + 4])
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + n]
        if kind == b'IDAT': idat += body
        else: chunks.append((kind, body))
        at += 12 + n
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    raw = zlib.decompress(idat)
    out = data[:8] + chunk(b'IHDR', chunks[0][1]) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(out)
PY
