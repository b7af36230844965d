#!/bin/sh
# Makes the progressive and multi-scan JPEG fixtures in tests/data/streams from baseline
# fixtures already there, with libjpeg-turbo's tools (package libjpeg-turbo-progs).
# The tests compare every one against libjpeg's own decode, so no reference is stored.
# Run from anywhere: tools/stream-fixtures/progressive-jpeg.sh
set -e
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../../tests/data/streams"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Plain progressive files as cjpeg writes them: colour 4:2:0 and gray.
djpeg -ppm "$out/dct-adobe-restart-odd.jpg" > "$tmp/odd.ppm"
cjpeg -progressive -quality 80 "$tmp/odd.ppm" > "$out/dct-prog-cjpeg.jpg"
cjpeg -progressive -grayscale -quality 70 "$tmp/odd.ppm" > "$out/dct-prog-gray.jpg"

# Progressive with a restart marker every three MCUs (and so in every kind of scan).
jpegtran -progressive -restart 3B "$out/dct-adobe-444.jpg" > "$out/dct-prog-restart.jpg"

# An unusual scan order: components split and merged differently from cjpeg's default,
# successive approximation over two and three steps, bands split at odd places.
cat > "$tmp/order.txt" <<'SCANS'
0: 0 0 0 1;
1 2: 0 0 0 2;
2: 1 5 0 1;
0: 1 63 0 2;
1: 1 63 0 0;
2: 6 63 0 1;
1 2: 0 0 2 1;
0: 1 9 2 1;
0: 10 63 2 1;
0 1 2: 0 0 1 0;
2: 1 63 1 0;
0: 1 63 1 0;
SCANS
jpegtran -scans "$tmp/order.txt" -restart 1 "$out/dct-ycc-420.jpg" > "$out/dct-prog-order.jpg"

# Sequential data with each component in its own scan, in reverse order.
printf '2: 0 63 0 0;\n1: 0 63 0 0;\n0: 0 63 0 0;\n' > "$tmp/seq.txt"
jpegtran -scans "$tmp/seq.txt" "$out/dct-small.jpg" > "$out/dct-seq-scans.jpg"
ls -l "$out"/dct-prog-*.jpg "$out/dct-seq-scans.jpg"
