#include "fonts/font_summary.h"

#include "fonts/cid_font.h"
#include "fonts/code_to_unicode_map.h"
#include "fonts/cpdf_map.h"
#include "fonts/simple_font.h"

namespace qm {

std::string fontEncodingSource(const PdfFont& font) {
    if (font.isCidFont()) {
        const CPDFMap* cmap = static_cast<const CidFont&>(font).cmap();
        return cmap ? std::string(cmap->name().view()) : std::string("none");
    }
    const SimpleFont& simple = static_cast<const SimpleFont&>(font);
    std::string source = simple.encodingSource();
    if (simple.hasDifferences()) source += "+Differences";
    return source;
}

const char* fontUnicodeSource(const PdfFont& font) {
    CodeToUnicodeMap* map = font.getToUnicode();
    if (!map) return "none";
    const char* source = "none";
    if (font.isCidFont()) {
        source = static_cast<const CidFont&>(font).hasToUnicodeStream() ? "ToUnicode" : "cidToUnicode";
    } else if (static_cast<const SimpleFont&>(font).hasToUnicodeStream()) {
        source = "ToUnicode";
    } else {
        uint16_t u[8];
        for (uint32_t code = 0; code < 256; ++code) {
            if (map->lookup(code, u, 8) > 0) {
                source = "glyph names";
                break;
            }
        }
    }
    map->release();
    return source;
}

std::string describeFont(const PdfFont& font) {
    std::string line(font.tag().view());
    line += ' ';
    line += font.name() ? std::string(font.name()->view()) : std::string("(no name)");
    line += ' ';
    line += fontKindName(font.kind());
    line += font.hasEmbeddedProgram() ? " embedded" : font.externalFile() ? " external" : " not-embedded";
    line += " encoding:" + fontEncodingSource(font);
    line += " unicode:";
    line += fontUnicodeSource(font);
    return line;
}

}  // namespace qm
