#pragma once
// Plain-text descriptions of fonts for tools and diagnostics: where a font's encoding and
// its Unicode values come from.
#include <string>

#include "fonts/pdf_font.h"

namespace qm {

// Simple fonts: "font" (the program), a standard encoding's name or "builtin", with
// "+Differences" when the dictionary changed it; composite fonts: the CMap's name.
std::string fontEncodingSource(const PdfFont& font);
// "ToUnicode", "cidToUnicode", "glyph names" or "none" (nothing maps to Unicode).
const char* fontUnicodeSource(const PdfFont& font);
// tag, name, kind, embedded or not, encoding source and Unicode source on one line.
std::string describeFont(const PdfFont& font);

}  // namespace qm
