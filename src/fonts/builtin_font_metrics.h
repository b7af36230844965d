#pragma once
// Metrics of the 14 standard fonts, which PDF files may use without embedding them:
// built-in encoding, ascent, descent and bounding box in glyph units, and advance widths by
// glyph name (generated, builtin_font_metrics_data.cpp).
#include <iterator>

#include "core/static_name_table.h"

namespace qm {

struct BuiltinFontMetrics {
    const char* name;
    const char* const* encoding;  // 256 glyph names
    int ascent;
    int descent;
    int bbox[4];
    const StaticNameEntry* widths;
    int widthCount;
};

constexpr int kBuiltinFontCount = 14;
extern const BuiltinFontMetrics kBuiltinFonts[kBuiltinFontCount];

}  // namespace qm
