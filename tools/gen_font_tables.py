#!/usr/bin/env python3
"""Generates the font encodings and compact-font tables compiled into the engine.

  src/fonts/font_encodings_data.cpp   StandardEncoding, MacRomanEncoding, WinAnsiEncoding,
                                      MacExpertEncoding, the Symbol and ZapfDingbats built-in
                                      encodings and the compact-font Expert encoding
  src/fonts/cff_tables_data.cpp       the 391 compact-font standard strings, its predefined
                                      charsets, and the 258 standard Macintosh glyph names

Sources (Debian packages):
  python3-fonttools   fontTools/encodings/StandardEncoding.py, encodings/MacRoman.py,
                      cffLib (standard strings, ISOAdobe/Expert/ExpertSubset charsets),
                      ttLib/standardGlyphOrder.py, agl.py (Unicode -> glyph name)
  fonts-urw-base35    StandardSymbolsPS.afm, D050000L.afm (the two symbol fonts' codes)
  texlive-base        fonts/enc/dvips/base/asexp.enc (code positions of the Expert set;
                      installed with texlive-lang-cjk). Its glyph order is checked against
                      fontTools' Expert charset before it is used.

Run from the repository root:  python3 tools/gen_font_tables.py
"""
import codecs
import os
import re
import sys

sys.path.insert(0, "/usr/lib/python3/dist-packages")
from fontTools.encodings.StandardEncoding import StandardEncoding  # noqa: E402
from fontTools.encodings.MacRoman import MacRoman  # noqa: E402
from fontTools import cffLib  # noqa: E402
from fontTools.ttLib.standardGlyphOrder import standardGlyphOrder  # noqa: E402
from fontTools.agl import UV2AGL  # noqa: E402

AFM_DIR = "/usr/share/fonts/type1/urw-base35"
ASEXP = "/usr/share/texlive/texmf-dist/fonts/enc/dvips/base/asexp.enc"
OUT_DIR = "src/fonts"


def standard_encoding():
    enc = [None] * 256
    for code, name in enumerate(StandardEncoding):
        if name != ".notdef":
            enc[code] = name
    return enc


def glyph_list_names():
    """Unicode value -> first name of the full glyph list text (fontTools' UV2AGL leaves out
    names such as twosuperior)."""
    from fontTools import agl
    names = {}
    for line in agl._aglText.splitlines():
        if not line or line.startswith("#"):
            continue
        name, values = line.split(";")
        values = values.split()
        if len(values) == 1:
            names.setdefault(int(values[0], 16), name)
    return names


def win_ansi_encoding():
    """Windows code page 1252 through the glyph list's names, with the PDF notes: the
    unassigned codes 7F 81 8D 8F 90 9D show a bullet, A0 is a space and AD a hyphen."""
    full = glyph_list_names()
    enc = [None] * 256
    for code in range(0x20, 256):
        try:
            u = ord(codecs.decode(bytes([code]), "cp1252"))
        except UnicodeDecodeError:
            continue
        enc[code] = UV2AGL.get(u) or full.get(u)
    for code in (0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D):
        enc[code] = "bullet"
    enc[0x80] = "Euro"
    enc[0xA0] = "space"
    enc[0xAD] = "hyphen"
    return enc


def mac_roman_encoding(latin_names):
    """The Macintosh Roman character set restricted to the Latin text names (the
    mathematical symbols and the Apple logo of the system character set are not part of
    the PDF table); CA is a space and DB the currency sign."""
    enc = [None] * 256
    for code in range(0x20, 256):
        name = MacRoman[code]
        if name in latin_names:
            enc[code] = name
    enc[0xCA] = "space"
    enc[0xDB] = "currency"
    return enc


# MacExpertEncoding as published in the PDF reference's expert character set table. No
# packaged file carries it; the set of names is checked against fontTools' Expert charset
# below (every glyph of the set appears exactly once).
MAC_EXPERT = {
    0x20: "space", 0x21: "exclamsmall", 0x22: "Hungarumlautsmall", 0x23: "centoldstyle",
    0x24: "dollaroldstyle", 0x25: "dollarsuperior", 0x26: "ampersandsmall", 0x27: "Acutesmall",
    0x28: "parenleftsuperior", 0x29: "parenrightsuperior", 0x2A: "twodotenleader",
    0x2B: "onedotenleader", 0x2C: "comma", 0x2D: "hyphen", 0x2E: "period", 0x2F: "fraction",
    0x3A: "colon", 0x3B: "semicolon", 0x3D: "threequartersemdash", 0x3F: "questionsmall",
    0x44: "Ethsmall", 0x47: "onequarter", 0x48: "onehalf", 0x49: "threequarters",
    0x4A: "oneeighth", 0x4B: "threeeighths", 0x4C: "fiveeighths", 0x4D: "seveneighths",
    0x4E: "onethird", 0x4F: "twothirds", 0x56: "ff", 0x57: "fi", 0x58: "fl", 0x59: "ffi",
    0x5A: "ffl", 0x5B: "parenleftinferior", 0x5D: "parenrightinferior",
    0x5E: "Circumflexsmall", 0x5F: "hypheninferior", 0x60: "Gravesmall",
    0x7B: "colonmonetary", 0x7C: "onefitted", 0x7D: "rupiah", 0x7E: "Tildesmall",
    0x81: "asuperior", 0x82: "centsuperior", 0x87: "Aacutesmall", 0x88: "Agravesmall",
    0x89: "Acircumflexsmall", 0x8A: "Adieresissmall", 0x8B: "Atildesmall", 0x8C: "Aringsmall",
    0x8D: "Ccedillasmall", 0x8E: "Eacutesmall", 0x8F: "Egravesmall", 0x90: "Ecircumflexsmall",
    0x91: "Edieresissmall", 0x92: "Iacutesmall", 0x93: "Igravesmall", 0x94: "Icircumflexsmall",
    0x95: "Idieresissmall", 0x96: "Ntildesmall", 0x97: "Oacutesmall", 0x98: "Ogravesmall",
    0x99: "Ocircumflexsmall", 0x9A: "Odieresissmall", 0x9B: "Otildesmall", 0x9C: "Uacutesmall",
    0x9D: "Ugravesmall", 0x9E: "Ucircumflexsmall", 0x9F: "Udieresissmall",
    0xA1: "eightsuperior", 0xA2: "fourinferior", 0xA3: "threeinferior", 0xA4: "sixinferior",
    0xA5: "eightinferior", 0xA6: "seveninferior", 0xA7: "Scaronsmall", 0xA9: "centinferior",
    0xAA: "twoinferior", 0xAC: "Dieresissmall", 0xAE: "Caronsmall", 0xAF: "osuperior",
    0xB0: "fiveinferior", 0xB2: "commainferior", 0xB3: "periodinferior", 0xB4: "Yacutesmall",
    0xB6: "dollarinferior", 0xB9: "Thornsmall", 0xBB: "nineinferior", 0xBC: "zeroinferior",
    0xBD: "Zcaronsmall", 0xBE: "AEsmall", 0xBF: "Oslashsmall", 0xC0: "questiondownsmall",
    0xC1: "oneinferior", 0xC2: "Lslashsmall", 0xC9: "Cedillasmall", 0xCF: "OEsmall",
    0xD0: "figuredash", 0xD1: "hyphensuperior", 0xD6: "exclamdownsmall",
    0xD8: "Ydieresissmall", 0xDA: "onesuperior", 0xDB: "twosuperior", 0xDC: "threesuperior",
    0xDD: "foursuperior", 0xDE: "fivesuperior", 0xDF: "sixsuperior", 0xE0: "sevensuperior",
    0xE1: "ninesuperior", 0xE2: "zerosuperior", 0xE4: "esuperior", 0xE5: "rsuperior",
    0xE6: "tsuperior", 0xE9: "isuperior", 0xEA: "ssuperior", 0xEB: "dsuperior",
    0xF1: "lsuperior", 0xF2: "Ogoneksmall", 0xF3: "Brevesmall", 0xF4: "Macronsmall",
    0xF5: "bsuperior", 0xF6: "nsuperior", 0xF7: "msuperior", 0xF8: "commasuperior",
    0xF9: "periodsuperior", 0xFA: "Dotaccentsmall", 0xFB: "Ringsmall",
}
for i, digit in enumerate("zero one two three four five six seven eight nine".split()):
    MAC_EXPERT[0x30 + i] = digit + "oldstyle"
for i in range(26):
    MAC_EXPERT[0x61 + i] = chr(0x41 + i) + "small"


def mac_expert_encoding():
    expert = set(cffLib.cffIExpertStrings) - {".notdef"}
    names = list(MAC_EXPERT.values())
    if len(names) != len(set(names)) or set(names) != expert:
        sys.exit("MacExpertEncoding does not cover the Expert set exactly once")
    enc = [None] * 256
    for code, name in MAC_EXPERT.items():
        enc[code] = name
    return enc


def cff_expert_encoding():
    text = re.sub(r"%[^\n]*", "", open(ASEXP, encoding="latin-1").read())
    names = re.findall(r"/([^\s/\[\]]+)", text[text.index("[") + 1:text.index("]")])
    if len(names) != 256:
        sys.exit("expert encoding vector does not have 256 names")
    enc = [None if n == ".notdef" else n for n in names]
    enc[0x20] = "space"  # the compact-font table has the space the TeX vector leaves out
    order = [n for n in enc if n]
    if order != list(cffLib.cffIExpertStrings[1:]):
        sys.exit("expert encoding vector disagrees with the Expert charset")
    return enc


def afm_encoding(afm):
    enc = [None] * 256
    for line in open(os.path.join(AFM_DIR, afm), encoding="latin-1"):
        m = re.match(r"C (\d+) ;.*?\bN (\S+) ;", line)
        if m and int(m.group(1)) < 256:
            enc[int(m.group(1))] = m.group(2)
    return enc


def c_string(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


def encoding_block(name, enc):
    out = ["const char* const %s[256] = {" % name]
    for row in range(0, 256, 8):
        cells = [c_string(n) if n else "nullptr" for n in enc[row:row + 8]]
        out.append("    /* %02X */ %s," % (row, ", ".join(cells)))
    out.append("};")
    return out


def name_list(name, names):
    out = ["const char* const %s[%d] = {" % (name, len(names))]
    line = "   "
    for n in names:
        cell = " " + c_string(n) + ","
        if len(line) + len(cell) > 96:
            out.append(line)
            line = "   "
        line += cell
    out.append(line)
    out.append("};")
    return out


def sid_list(name, names):
    sids = [cffLib.cffStandardStrings.index(n) for n in names]
    out = ["const uint16_t %s[%d] = {" % (name, len(sids))]
    for i in range(0, len(sids), 16):
        out.append("    " + ", ".join(str(s) for s in sids[i:i + 16]) + ",")
    out.append("};")
    return out


def write(path, lines):
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    std = standard_encoding()
    win = win_ansi_encoding()
    latin = set(n for n in std + win if n)
    mac = mac_roman_encoding(latin)
    encodings = [
        ("kStandardEncoding", std),
        ("kMacRomanEncoding", mac),
        ("kWinAnsiEncoding", win),
        ("kMacExpertEncoding", mac_expert_encoding()),
        ("kSymbolEncoding", afm_encoding("StandardSymbolsPS.afm")),
        ("kZapfDingbatsEncoding", afm_encoding("D050000L.afm")),
        ("kCffExpertEncoding", cff_expert_encoding()),
    ]
    lines = [
        "// Generated by tools/gen_font_tables.py from python3-fonttools, fonts-urw-base35 and",
        "// texlive-base files. Do not edit. Unassigned codes are null.",
        '#include "fonts/font_encodings.h"',
        "",
        "namespace qm {",
        "",
    ]
    for name, enc in encodings:
        lines += encoding_block(name, enc) + [""]
    lines.append("}  // namespace qm")
    write(os.path.join(OUT_DIR, "font_encodings_data.cpp"), lines)

    strings = list(cffLib.cffStandardStrings)
    if len(strings) != 391 or len(standardGlyphOrder) != 258:
        sys.exit("unexpected table sizes in fontTools")
    lines = [
        "// Generated by tools/gen_font_tables.py from python3-fonttools (cffLib and",
        "// ttLib/standardGlyphOrder.py). Do not edit.",
        '#include "fonts/cff_tables.h"',
        "",
        "namespace qm {",
        "",
    ]
    lines += name_list("kCffStandardStrings", strings) + [""]
    lines += sid_list("kCffISOAdobeCharset", cffLib.cffISOAdobeStrings) + [""]
    lines += sid_list("kCffExpertCharset", cffLib.cffIExpertStrings) + [""]
    lines += sid_list("kCffExpertSubsetCharset", cffLib.cffExpertSubsetStrings) + [""]
    lines += name_list("kMacGlyphNames", standardGlyphOrder) + [""]
    lines.append("}  // namespace qm")
    write(os.path.join(OUT_DIR, "cff_tables_data.cpp"), lines)
    print("ISOAdobe %d, Expert %d, ExpertSubset %d glyphs" % (
        len(cffLib.cffISOAdobeStrings), len(cffLib.cffIExpertStrings),
        len(cffLib.cffExpertSubsetStrings)))


if __name__ == "__main__":
    main()
