#!/bin/sh
# Writes rich.pdf (two pages, a Flate-compressed content stream, an Info title, an outline
# and an XMP metadata stream) and encrypts it with qpdf in the ways the security handler
# tests need. Run from anywhere; the files land in tests/data/encryption.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../../tests/data/encryption"
python3 "$here/write_rich.py" "$out/rich.pdf"
cd "$out"
enc() {  # enc OUTPUT USER OWNER BITS [qpdf options...]
    o=$1 u=$2 w=$3 bits=$4
    shift 4
    qpdf --allow-weak-crypto --static-id --stream-data=preserve --object-streams=disable \
        --encrypt "$u" "$w" "$bits" "$@" -- rich.pdf "$o"
}
enc aes128-user.pdf user owner 128 --use-aes=y
enc aes128-empty.pdf "" owner 128 --use-aes=y
enc aes128-clear-metadata.pdf user owner 128 --use-aes=y --cleartext-metadata
enc r4-rc4.pdf user owner 128 --use-aes=n --force-V4
enc aes256-user.pdf user owner 256
enc aes256-empty.pdf "" owner 256
enc aes256-clear-metadata.pdf user owner 256 --cleartext-metadata
enc aes256-r5.pdf user owner 256 --force-R5
enc aes256-utf8.pdf "pässwörd" "Eigentümer" 256
qpdf --static-id --stream-data=preserve --object-streams=generate \
    --encrypt user owner 256 -- rich.pdf aes256-object-streams.pdf
