#include "render/font_cache.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/report_error.h"
#include "fonts/cid_font.h"
#include "fonts/global_settings.h"
#include "fonts/simple_font.h"

namespace qm {

namespace {

struct Substitute {
    const char* name;
    double mWidth;
};
constexpr Substitute kSubstitutes[12] = {
    {"Helvetica", 0.833},   {"Helvetica-Oblique", 0.833}, {"Helvetica-Bold", 0.889}, {"Helvetica-BoldOblique", 0.889},
    {"Times-Roman", 0.788}, {"Times-Italic", 0.722},      {"Times-Bold", 0.833},     {"Times-BoldItalic", 0.778},
    {"Courier", 0.6},       {"Courier-Oblique", 0.6},     {"Courier-Bold", 0.6},     {"Courier-BoldOblique", 0.6},
};

// The width of the glyph named "m" in text space; 0 when the font has none.
double widthOfM(const PdfFont& font) {
    if (font.isCidFont()) return 0;
    const auto& simple = static_cast<const SimpleFont&>(font);
    for (int code = 0; code < 256; ++code) {
        const char* name = simple.encodingName(code);
        if (name && std::strcmp(name, "m") == 0) return simple.widths()[code];
    }
    return 0;
}

// Whether a configured display font can be used. Fonts named by file must be readable.
bool usable(const DisplayFontRecord& record) {
    if (record.kind == DisplayFontRecord::XFont) return true;
    std::FILE* f = std::fopen(record.file.text(), "rb");
    if (!f) {
        reportError(-1, "Couldn't open font file '%s'", record.file.text());
        return false;
    }
    std::fclose(f);
    return true;
}

}  // namespace

int FontCache::substituteIndex(bool fixedPitch, bool serif, bool bold, bool italic) {
    return (fixedPitch ? 8 : serif ? 4 : 0) + (bold ? 2 : 0) + (italic ? 1 : 0);
}
const char* FontCache::substituteName(int index) { return kSubstitutes[static_cast<unsigned>(index) % 12].name; }
double FontCache::substituteMWidth(int index) { return kSubstitutes[static_cast<unsigned>(index) % 12].mWidth; }

FontCache::Entry FontCache::make(const PdfFont& font, const std::array<double, 4>& m) const {
    Entry e{font.id().num, font.id().gen, font.name() ? std::string(font.name()->text(), font.name()->length()) : "",
            m, false, {}};
    std::copy(m.begin(), m.end(), e.font.matrix);
    const GlobalSettings* settings = globalSettings;
    if (font.isCidFont()) {
        const PdfString collection = static_cast<const CidFont&>(font).getCollection();
        const DisplayFontRecord* record = settings ? settings->getDisplayCIDFont(collection.text()) : nullptr;
        if (record && usable(*record)) {
            e.found = true;
            e.font.name = record->name.text();
        } else {
            reportError(-1, "Couldn't find a font for the '%s' character collection", collection.text());
        }
        return e;
    }
    const DisplayFontRecord* record = settings && font.name() ? settings->getDisplayFont(font.name()->text()) : nullptr;
    if (record && usable(*record)) {
        e.found = true;
        e.font.name = record->name.text();
        return e;
    }
    const int index = substituteIndex(font.isFixedWidth(), font.isSerif(), font.isBold(), font.isItalic());
    const Substitute& sub = kSubstitutes[index];
    record = settings ? settings->getDisplayFont(sub.name) : nullptr;
    if (!record || !usable(*record)) {
        reportError(-1, "Couldn't find a font for '%s'", font.name() ? font.name()->text() : "(unnamed)");
        return e;
    }
    e.found = true;
    e.font.name = sub.name;
    const double w = widthOfM(font);
    const double r = w / sub.mWidth;
    double* mm = e.font.matrix;
    if (font.kind() == FontKind::Type3) {
        if (w > 0 && (r > 1.1 || r < 0.9)) {
            for (int i = 0; i < 4; ++i) mm[i] *= r;
            const double* fm = font.fontMatrix();
            if (fm[0] != 0) {
                const double v = std::fabs(fm[3] / fm[0]);
                mm[2] *= v;
                mm[3] *= v;
            }
        }
    } else if (!(font.flags() & 0x4) && w > 0.01 && r < 0.9) {
        // Narrow fonts are condensed; wider ones are left alone.
        mm[0] *= r;
        mm[2] *= r;
    }
    return e;
}

const DisplayFont* FontCache::lookup(const PdfFont& font, double m11, double m12, double m21, double m22) {
    const std::array<double, 4> key{m11, m12, m21, m22};
    const PdfRef id = font.id();
    const std::string_view name = font.name() ? std::string_view(font.name()->text(), font.name()->length()) : "";
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->num != id.num || it->gen != id.gen || it->key != key || it->fontName != name) continue;
        if (it != entries_.begin()) entries_.splice(entries_.begin(), entries_, it);
        return entries_.front().found ? &entries_.front().font : nullptr;
    }
    if (entries_.size() >= kCapacity) entries_.pop_back();
    entries_.push_front(make(font, key));
    return entries_.front().found ? &entries_.front().font : nullptr;
}

}  // namespace qm
