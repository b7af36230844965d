#!/usr/bin/env python3
"""Reference data for the CCITT fax decoder tests, made with libtiff's tools (libtiff-tools).

1. For each Group 4 stream taken from the corpus (extract.sh), wrap it in a TIFF file,
   let `tiffcp -c none` decode it, and store the rows as the decoder serves them
   (<name>.ref: white = 1, rows padded to whole bytes with 0 bits).
2. Draw a test picture with runs of every length class (terminating, make-up and extended
   make-up codes, rows that repeat or shift the row above), store it as <synthetic>.ref,
   and let `tiffcp` encode it as one-dimensional T.4, two-dimensional T.4 and T.6 data
   (<synthetic>-g3-1d.raw, -g3-2d.raw, -g4.raw).

Run from anywhere: tools/stream-fixtures/ccitt_reference.py
"""
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "..", "tests", "data", "streams")

# name -> (columns, rows) from the image dictionaries of the corpus streams
CORPUS = {
    "ccitt-g4-16x16": (16, 16),
    "ccitt-g4-230x79": (230, 79),
    "ccitt-g4-526x507": (526, 507),
    "ccitt-g4-1458x928": (1458, 928),
}

SYNTH_NAME = "ccitt-synthetic-2600x48"
SYNTH_W, SYNTH_H = 2600, 48


def write_tiff(path, width, height, compression, data):
    entries = [
        (256, 4, 1, width), (257, 4, 1, height), (258, 3, 1, 1), (259, 3, 1, compression),
        (262, 3, 1, 0), (266, 3, 1, 1), (273, 4, 1, 0), (277, 3, 1, 1),
        (278, 4, 1, height), (279, 4, 1, len(data)),
    ]
    if compression == 3:
        entries.append((292, 4, 1, 0))
    if compression == 4:
        entries.append((293, 4, 1, 0))
    ifd_size = 2 + 12 * len(entries) + 4
    data_offset = 8 + ifd_size
    out = bytearray(b"II*\x00" + struct.pack("<I", 8))
    out += struct.pack("<H", len(entries))
    for tag, typ, count, value in entries:
        if tag == 273:
            value = data_offset
        if typ == 3:
            out += struct.pack("<HHIHH", tag, typ, count, value, 0)
        else:
            out += struct.pack("<HHII", tag, typ, count, value)
    out += struct.pack("<I", 0)
    out += data
    with open(path, "wb") as f:
        f.write(out)


def read_tiff(path):
    """Returns (tags, strip data concatenated) of the first image of a little-endian TIFF."""
    with open(path, "rb") as f:
        d = f.read()
    assert d[:2] == b"II"
    ifd = struct.unpack_from("<I", d, 4)[0]
    n = struct.unpack_from("<H", d, ifd)[0]
    tags = {}
    for i in range(n):
        tag, typ, count = struct.unpack_from("<HHI", d, ifd + 2 + 12 * i)
        size = {3: 2, 4: 4}.get(typ, 1)
        fmt = {3: "H", 4: "I"}.get(typ, "B")
        where = ifd + 2 + 12 * i + 8
        if size * count > 4:
            where = struct.unpack_from("<I", d, where)[0]
        tags[tag] = list(struct.unpack_from("<%d%s" % (count, fmt), d, where))
    data = b"".join(d[o:o + c] for o, c in zip(tags[273], tags[279]))
    return tags, data


def to_served(tiff_rows, width, height):
    """WhiteIsZero packed rows -> the decoder's rows (white = 1, zero padding)."""
    stride = (width + 7) // 8
    pad = (8 - width % 8) % 8
    last_mask = (0xFF << pad) & 0xFF
    out = bytearray()
    for r in range(height):
        row = bytearray(0xFF ^ b for b in tiff_rows[r * stride:(r + 1) * stride])
        row[-1] &= last_mask
        out += row
    return bytes(out)


def tiffcp(args, src, dst):
    subprocess.run(["tiffcp"] + args + [src, dst], check=True)


def corpus_references(tmp):
    for name, (w, h) in CORPUS.items():
        with open(os.path.join(OUT, name + ".raw"), "rb") as f:
            raw = f.read()
        src, dst = os.path.join(tmp, "in.tif"), os.path.join(tmp, "out.tif")
        write_tiff(src, w, h, 4, raw)
        tiffcp(["-c", "none", "-r", str(h)], src, dst)
        _, rows = read_tiff(dst)
        with open(os.path.join(OUT, name + ".ref"), "wb") as f:
            f.write(to_served(rows, w, h))


def synthetic_rows():
    """Rows as lists of booleans (True = white)."""
    runs = list(range(0, 64)) + [64 * k + j for k in range(1, 41) for j in (0, 5)]
    rows = []
    for r in range(SYNTH_H):
        if r % 4 == 3:  # the row above shifted by a few pixels: vertical modes
            shift = (r // 4) % 7 - 3
            above = rows[-1]
            rows.append([above[min(max(x - shift, 0), SYNTH_W - 1)] for x in range(SYNTH_W)])
            continue
        if r % 4 == 2:  # the row above unchanged: pass and V0 modes
            rows.append(list(rows[-1]))
            continue
        row, white, i = [], True, r * 7
        while len(row) < SYNTH_W:
            length = runs[i % len(runs)] if r % 8 else [2560, 1792, 2000][r // 8 % 3]
            row += [white] * length
            white = not white
            i += 3
        rows.append(row[:SYNTH_W])
    return rows


def synthetic(tmp):
    rows = synthetic_rows()
    stride = (SYNTH_W + 7) // 8
    tiff_data = bytearray()
    for row in rows:
        packed = bytearray(stride)
        for x, white in enumerate(row):
            if not white:
                packed[x // 8] |= 0x80 >> (x % 8)
        tiff_data += packed
    src = os.path.join(tmp, "synth.tif")
    write_tiff(src, SYNTH_W, SYNTH_H, 1, bytes(tiff_data))
    with open(os.path.join(OUT, SYNTH_NAME + ".ref"), "wb") as f:
        f.write(to_served(tiff_data, SYNTH_W, SYNTH_H))
    for suffix, codec in (("g3-1d", "g3:1d"), ("g3-2d", "g3:2d"), ("g4", "g4")):
        dst = os.path.join(tmp, suffix + ".tif")
        tiffcp(["-c", codec, "-r", str(SYNTH_H)], src, dst)
        tags, data = read_tiff(dst)
        with open(os.path.join(OUT, "%s-%s.raw" % (SYNTH_NAME, suffix)), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    with tempfile.TemporaryDirectory() as tmp:
        corpus_references(tmp)
        synthetic(tmp)
