#pragma once
// Tables compiled into the engine: the glyph list and the built-in output encodings.
#include <cstdint>

#include "core/static_name_table.h"
#include "fonts/unicode_map.h"

namespace qm {

// Glyph name -> Unicode, sorted by name (generated, builtin_glyph_list_data.cpp).
extern const StaticNameEntry kBuiltinGlyphList[];
extern const int kBuiltinGlyphListCount;

// Inverse of the Symbol and ZapfDingbats fonts' built-in encodings (generated,
// builtin_font_maps_data.cpp).
extern const UnicodeMapRange kSymbolRanges[];
extern const int kSymbolRangesCount;
extern const UnicodeMapRange kZapfDingbatsRanges[];
extern const int kZapfDingbatsRangesCount;

// Text encodings (text_encoding_ranges.cpp, written by hand).
extern const UnicodeMapRange kLatin1Ranges[];
extern const int kLatin1RangesCount;
extern const UnicodeMapRange kAscii7Ranges[];
extern const int kAscii7RangesCount;
int encodeUtf8(uint32_t u, uint8_t* out, int size);

}  // namespace qm
