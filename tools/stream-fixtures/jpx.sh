#!/bin/sh
# Makes the JPEG 2000 fixtures in tests/data/streams: small synthetic pictures in gray, RGB
# and RGB with alpha, compressed losslessly by OpenJPEG's opj_compress (package
# libopenjp2-tools), as JP2 files and as bare codestreams. The .ref files hold the pictures'
# colour samples (alpha left out), which a lossless decode must give back exactly.
# Needs: libopenjp2-tools, python3-pil.  Run from anywhere: tools/stream-fixtures/jpx.sh
set -e
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../../tests/data/streams"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

/usr/bin/python3 - "$tmp" "$out" <<'PY'
import sys
from PIL import Image
tmp, out = sys.argv[1], sys.argv[2]
w, h = 61, 43  # odd sizes: partial code blocks and tiles on every edge
rgba = Image.new("RGBA", (w, h))
for y in range(h):
    for x in range(w):
        r = (x * 255) // (w - 1)
        g = (y * 255) // (h - 1)
        b = 255 if (x // 8 + y // 8) % 2 else (x * y) % 256
        a = 0 if (x - 30) ** 2 + (y - 21) ** 2 < 100 else 255
        rgba.putpixel((x, y), (r, g, b, a))
rgba.save(f"{tmp}/rgba.png")
rgb = rgba.convert("RGB")
rgb.save(f"{tmp}/rgb.ppm")
gray = rgb.convert("L")
gray.save(f"{tmp}/gray.pgm")
open(f"{out}/jpx-rgb.ref", "wb").write(rgb.tobytes())
open(f"{out}/jpx-gray.ref", "wb").write(gray.tobytes())
PY
opj_compress -i "$tmp/gray.pgm" -o "$out/jpx-gray.jp2" >/dev/null
opj_compress -i "$tmp/rgb.ppm" -o "$out/jpx-rgb.j2k" >/dev/null
opj_compress -i "$tmp/rgba.png" -o "$out/jpx-rgba.jp2" >/dev/null
opj_compress -i "$tmp/rgba.png" -o "$out/jpx-rgba.j2k" >/dev/null
ls -l "$out"/jpx-*
