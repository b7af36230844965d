#include "fonts/standard_fonts.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qm {

namespace {

struct Alias {
    const char* alias;
    const char* base;
};

// Sorted by byte-wise comparison of the alias (binary search).
constexpr Alias kAliases[] = {
    {"Arial", "Helvetica"},
    {"Arial,Bold", "Helvetica-Bold"},
    {"Arial,BoldItalic", "Helvetica-BoldOblique"},
    {"Arial,Italic", "Helvetica-Oblique"},
    {"Arial-Bold", "Helvetica-Bold"},
    {"Arial-BoldItalic", "Helvetica-BoldOblique"},
    {"Arial-BoldItalicMT", "Helvetica-BoldOblique"},
    {"Arial-BoldMT", "Helvetica-Bold"},
    {"Arial-Italic", "Helvetica-Oblique"},
    {"Arial-ItalicMT", "Helvetica-Oblique"},
    {"ArialMT", "Helvetica"},
    {"Courier,Bold", "Courier-Bold"},
    {"Courier,BoldItalic", "Courier-BoldOblique"},
    {"Courier,Italic", "Courier-Oblique"},
    {"CourierNew", "Courier"},
    {"CourierNew,Bold", "Courier-Bold"},
    {"CourierNew,BoldItalic", "Courier-BoldOblique"},
    {"CourierNew,Italic", "Courier-Oblique"},
    {"CourierNew-Bold", "Courier-Bold"},
    {"CourierNew-BoldItalic", "Courier-BoldOblique"},
    {"CourierNew-Italic", "Courier-Oblique"},
    {"CourierNewPS-BoldItalicMT", "Courier-BoldOblique"},
    {"CourierNewPS-BoldMT", "Courier-Bold"},
    {"CourierNewPS-ItalicMT", "Courier-Oblique"},
    {"CourierNewPSMT", "Courier"},
    {"Helvetica,Bold", "Helvetica-Bold"},
    {"Helvetica,BoldItalic", "Helvetica-BoldOblique"},
    {"Helvetica,Italic", "Helvetica-Oblique"},
    {"Helvetica-BoldItalic", "Helvetica-BoldOblique"},
    {"Helvetica-Italic", "Helvetica-Oblique"},
    {"TimesNewRoman", "Times-Roman"},
    {"TimesNewRoman,Bold", "Times-Bold"},
    {"TimesNewRoman,BoldItalic", "Times-BoldItalic"},
    {"TimesNewRoman,Italic", "Times-Italic"},
    {"TimesNewRoman-Bold", "Times-Bold"},
    {"TimesNewRoman-BoldItalic", "Times-BoldItalic"},
    {"TimesNewRoman-Italic", "Times-Italic"},
    {"TimesNewRomanPS", "Times-Roman"},
    {"TimesNewRomanPS-Bold", "Times-Bold"},
    {"TimesNewRomanPS-BoldItalic", "Times-BoldItalic"},
    {"TimesNewRomanPS-BoldItalicMT", "Times-BoldItalic"},
    {"TimesNewRomanPS-BoldMT", "Times-Bold"},
    {"TimesNewRomanPS-Italic", "Times-Italic"},
    {"TimesNewRomanPS-ItalicMT", "Times-Italic"},
    {"TimesNewRomanPSMT", "Times-Roman"},
};

// Index = (fixed pitch ? 0 : serif ? 8 : 4) + (force bold ? 2 : 0) + (italic ? 1 : 0).
constexpr const char* kSubstitutes[12] = {
    "Courier",   "Courier-Oblique",   "Courier-Bold",   "Courier-BoldOblique",
    "Helvetica", "Helvetica-Oblique", "Helvetica-Bold", "Helvetica-BoldOblique",
    "Times-Roman", "Times-Italic",     "Times-Bold",     "Times-BoldItalic",
};

const std::vector<StaticNameTable>& widthTables() {
    static const std::vector<StaticNameTable> tables = [] {
        std::vector<StaticNameTable> t;
        t.reserve(kBuiltinFontCount);
        for (const BuiltinFontMetrics& f : kBuiltinFonts) t.emplace_back(f.widths, f.widthCount);
        return t;
    }();
    return tables;
}

}  // namespace

const BuiltinFontMetrics* findBuiltinFont(const char* name) {
    if (!name) return nullptr;
    for (const BuiltinFontMetrics& f : kBuiltinFonts)
        if (std::strcmp(f.name, name) == 0) return &f;
    return nullptr;
}

bool builtinGlyphWidth(const BuiltinFontMetrics* font, const char* glyphName, uint16_t* width) {
    if (!font || !glyphName) return false;
    const ptrdiff_t row = font - kBuiltinFonts;
    if (row < 0 || row >= kBuiltinFontCount) return false;
    return widthTables()[static_cast<size_t>(row)].lookup(glyphName, width);
}

const char* standardFontForAlias(const char* name) {
    if (!name) return nullptr;
    auto it = std::lower_bound(std::begin(kAliases), std::end(kAliases), name,
                               [](const Alias& a, const char* n) { return std::strcmp(a.alias, n) < 0; });
    return it != std::end(kAliases) && std::strcmp(it->alias, name) == 0 ? it->base : nullptr;
}

bool isStandardFontName(const char* name) {
    if (!name) return false;
    for (const Alias& a : kAliases)
        if (std::strcmp(a.alias, name) == 0 || std::strcmp(a.base, name) == 0) return true;
    return false;
}

const BuiltinFontMetrics* substituteFont(int flags) {
    int index = (flags & kFontFixedWidth) ? 0 : (flags & kFontSerif) ? 8 : 4;
    if (flags & kFontForceBold) index += 2;
    if (flags & kFontItalic) index += 1;
    return findBuiltinFont(kSubstitutes[index]);
}

}  // namespace qm
