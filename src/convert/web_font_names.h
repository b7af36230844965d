#pragma once
// How a page names the web font of a font glyph set: the CSS family and the file beside the
// pages that holds it. Both are made from numbers only, so neither needs escaping.
#include <string>

namespace qm {

class FontGlyphSet;

std::string webFontFamily(const FontGlyphSet& set, size_t face);
// Beside the pages, whose folder a conversion publishes file by file: "font_f3.woff2",
// "font_f3_1.woff2".
std::string webFontFile(const FontGlyphSet& set, size_t face);

}  // namespace qm
