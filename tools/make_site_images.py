#!/usr/bin/env python3
"""Draws the pictures of the converted site's support files (data/site/pg_*.gif).

The pictures are small enough to be described here pixel by pixel; this script is their
source. Run it after changing a drawing:  python3 tools/make_site_images.py [OUT_FOLDER]
With --check it compares the drawings with the files in the folder instead (exit 1 when
one differs)."""
import os
import sys

# pg_page.gif: the icon in front of the home-page link, a small house.
HOME = [
    "................",
    ".......##.......",
    "......####......",
    ".....##..##.....",
    "....##....##....",
    "...##......##...",
    "..##........##..",
    ".##..........##.",
    "..#..........#..",
    "..#..........#..",
    "..#...####...#..",
    "..#...#..#...#..",
    "..#...#..#...#..",
    "..#...#..#...#..",
    "..############..",
    "................",
]
# '.' is transparent; '#' is the accent blue of the site's links.
PALETTE = {".": (255, 255, 255), "#": (31, 95, 174)}

PICTURES = {"pg_page.gif": HOME}


def lzw(indices, min_code_size):
    """GIF's variable-width LZW, least significant bit first."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, acc, nbits = bytearray(), 0, 0
    width = min_code_size + 1

    def put(code):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    table = {(i,): i for i in range(clear)}
    next_code = end + 1
    put(clear)
    prefix = ()
    for index in indices:
        candidate = prefix + (index,)
        if candidate in table:
            prefix = candidate
            continue
        put(table[prefix])
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code - 1 == (1 << width) and width < 12:
                width += 1
        else:
            put(clear)
            table = {(i,): i for i in range(clear)}
            next_code = end + 1
            width = min_code_size + 1
        prefix = (index,)
    if prefix:
        put(table[prefix])
    put(end)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif(rows):
    height, width = len(rows), len(rows[0])
    symbols = sorted(PALETTE)
    indices = [symbols.index(c) for row in rows for c in row]
    colours = [PALETTE[s] for s in symbols]
    while len(colours) < 4:
        colours.append((0, 0, 0))
    table_bits = 1  # 2 ** (table_bits + 1) == 4 entries
    data = bytearray(b"GIF89a")
    data += width.to_bytes(2, "little") + height.to_bytes(2, "little")
    data += bytes([0x80 | table_bits, 0, 0])
    for r, g, b in colours:
        data += bytes([r, g, b])
    transparent = symbols.index(".")
    data += bytes([0x21, 0xF9, 4, 0x01, 0, 0, transparent, 0])
    data += b"\x2C" + bytes(4) + width.to_bytes(2, "little") + height.to_bytes(2, "little") + b"\x00"
    min_code_size = 2
    packed = lzw(indices, min_code_size)
    data.append(min_code_size)
    for i in range(0, len(packed), 255):
        chunk = packed[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data += b"\x00\x3B"
    return bytes(data)


def main(argv):
    check = "--check" in argv
    args = [a for a in argv if a != "--check"]
    folder = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "site")
    status = 0
    for name, rows in PICTURES.items():
        picture = gif(rows)
        path = os.path.join(folder, name)
        if check:
            try:
                with open(path, "rb") as f:
                    same = f.read() == picture
            except OSError:
                same = False
            if not same:
                print(f"{path} differs from its drawing in make_site_images.py", file=sys.stderr)
                status = 1
        else:
            with open(path, "wb") as f:
                f.write(picture)
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
