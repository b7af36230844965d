#!/bin/sh
# Makes the decoder fixtures in tests/data/streams from the corpus copy in tests/data/corpus:
# the raw (still encoded) bytes of chosen streams, and for the filters qpdf can undo, its
# decoded bytes as the reference. CCITT references come from libtiff (ccitt_reference.sh);
# DCT references are made by the tests themselves with libjpeg.
# Needs: qpdf, libtiff-tools, python3.  Run from anywhere: tools/stream-fixtures/extract.sh
set -e
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
corpus="$root/tests/data/corpus"
out="$root/tests/data/streams"
mkdir -p "$out"

raw() {  # raw FILE OBJ GEN NAME
    qpdf --show-object="$2,$3" --raw-stream-data "$corpus/$1" > "$out/$4" 2>/dev/null || true
}
decoded() {  # decoded FILE OBJ GEN NAME
    qpdf --show-object="$2,$3" --filtered-stream-data "$corpus/$1" > "$out/$4" 2>/dev/null || true
}

# LZW (8-bit image), RunLength, ASCII85 and ASCIIHex streams with qpdf's decodes.
raw img-imagemagick-6p.pdf 24 0 lzw-image.raw
decoded img-imagemagick-6p.pdf 24 0 lzw-image.ref
raw img-imagemagick-6p.pdf 40 0 runlength-image.raw
decoded img-imagemagick-6p.pdf 40 0 runlength-image.ref
raw img-imagemagick-6p.pdf 11 0 ascii85-icc.raw
decoded img-imagemagick-6p.pdf 11 0 ascii85-icc.ref
raw quartz-asciihex-redact.pdf 11 0 asciihex-mask.raw
decoded quartz-asciihex-redact.pdf 11 0 asciihex-mask.ref
# A content stream encoded as ASCII85 over LZW.
raw damaged-startxref-90p.pdf 285 1 a85-lzw-content.raw
decoded damaged-startxref-90p.pdf 285 1 a85-lzw-content.ref

# DCT: baseline images of several layouts, and one progressive image.
raw annot-stamps.pdf 19 0 dct-adobe-restart-420.jpg
raw indesign-155p.pdf 836 0 dct-adobe-restart-odd.jpg
raw ghostscript-canvas.pdf 28 0 dct-adobe-444.jpg
raw chromium-15p.pdf 85 0 dct-gray.jpg
raw tcpdf-alpha-smask.pdf 10 0 dct-ycc-420.jpg
raw word2013-chinese.pdf 3 0 dct-word.jpg
raw openoffice-55p.pdf 29 0 dct-small.jpg
raw openoffice-55p.pdf 38 0 dct-progressive.jpg

# CCITT Group 4 images (parameters in the test beside each name).
raw img-ccitt.pdf 8 0 ccitt-g4-16x16.raw
raw distiller-word-86p.pdf 124 0 ccitt-g4-230x79.raw
raw distiller-word-86p.pdf 328 0 ccitt-g4-526x507.raw
raw distiller-word-86p.pdf 100 0 ccitt-g4-1458x928.raw

# JBIG2: a scanned page whose symbols live in a globals stream (JBIG2Globals), and that stream.
raw scan-jbig2-xerox.pdf 6 0 jbig2-xerox.raw
decoded scan-jbig2-xerox.pdf 5 0 jbig2-xerox-globals.raw
