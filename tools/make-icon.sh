#!/usr/bin/env bash
# Regenerates app/app.ico from app/app.svg: six PNG-compressed 32-bit images, 16 to 256 px;
# the same images also as app/icons/app-SIZE.png, which the client's window takes one by one.
# Needs rsvg-convert (package librsvg2-bin) and python3.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes=(16 32 48 64 128 256)
mkdir -p "$here/app/icons"
for size in "${sizes[@]}"; do
    rsvg-convert --width "$size" --height "$size" --format png "$here/app/app.svg" > "$work/$size.png"
    cp "$work/$size.png" "$here/app/icons/app-$size.png"
done
python3 - "$here/app/app.ico" "$work" "${sizes[@]}" <<'PY'
import struct, sys
out, work, sizes = sys.argv[1], sys.argv[2], [int(s) for s in sys.argv[3:]]
images = [open(f"{work}/{s}.png", "rb").read() for s in sizes]
header = struct.pack("<HHH", 0, 1, len(images))
offset = 6 + 16 * len(images)
entries = b""
for size, data in zip(sizes, images):
    # 256 is written as 0 in the one-byte width and height fields.
    entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
with open(out, "wb") as f:
    f.write(header + entries + b"".join(images))
PY
echo "wrote $here/app/app.ico"
