#include "convert/web_font_names.h"

#include "render/font_glyph_set.h"

namespace qm {

namespace {
std::string stem(const FontGlyphSet& set, size_t face) {
    std::string name = "f" + std::to_string(set.number());
    if (face > 0) name += "_" + std::to_string(face);
    return name;
}
}  // namespace

std::string webFontFamily(const FontGlyphSet& set, size_t face) { return "q" + stem(set, face); }

std::string webFontFile(const FontGlyphSet& set, size_t face) {
    return "font_" + stem(set, face) + ".woff2";
}

}  // namespace qm
