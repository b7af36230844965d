#pragma once
// The standard fonts as simple fonts meet them: the row of built-in metrics for a name, the
// widths by glyph name, the common aliases of the standard names (Arial for Helvetica and
// so on), and the standard font that lends its widths to a font that has none.
#include <cstdint>

#include "fonts/builtin_font_metrics.h"

namespace qm {

// The built-in row of exactly this name, or null.
const BuiltinFontMetrics* findBuiltinFont(const char* name);
// Advance width in glyph units (thousandths of text space) of a glyph of a built-in font.
bool builtinGlyphWidth(const BuiltinFontMetrics* font, const char* glyphName, uint16_t* width);

// The standard font an alias stands for ("Arial,Bold" -> "Helvetica-Bold"), or null. The
// comparison is exact: a subset prefix or other case is not an alias.
const char* standardFontForAlias(const char* name);
// True when the name is one of the aliases or one of the standard names they stand for.
bool isStandardFontName(const char* name);

// The descriptor flag bits the font classes read.
enum FontFlags : int {
    kFontFixedWidth = 0x1,
    kFontSerif = 0x2,
    kFontItalic = 0x40,
    kFontForceBold = 0x40000,
};
// The standard font whose widths stand in for a font without widths of its own, chosen by
// fixed pitch, serif, force-bold and italic flags.
const BuiltinFontMetrics* substituteFont(int flags);

}  // namespace qm
