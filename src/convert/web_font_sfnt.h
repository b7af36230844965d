#pragma once
// One face of a web font as an OpenType font with TrueType outlines: the glyphs of the face
// (quadratic outlines; cubic curves are split into quadratic pieces), each advance the PDF's
// width, a character map from each glyph's character, and a blank of no width for U+0020.
// Ascent and descent are equal, so a line without height has its baseline in the middle.
#include <map>
#include <string>
#include <vector>

#include "render/font_glyph_set.h"

namespace qm {

// Units per em of the fonts made here.
inline constexpr int kWebFontUnitsPerEm = FontGlyphSet::kUnitsPerEm;

// `kerns` (pairs of characters, units of the em) becomes the face's kerning table, and
// `ligatures` (glyphs of the face shown for runs of letters) its ligature substitutions.
std::string buildWebFontFace(const std::vector<FontGlyphSet::Glyph>& glyphs, const std::string& family,
                             const std::map<std::pair<char32_t, char32_t>, int>& kerns = {},
                             const std::vector<FontGlyphSet::Ligature>& ligatures = {});

}  // namespace qm
