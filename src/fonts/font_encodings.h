#pragma once
// The published 256-entry glyph-name encodings (generated, font_encodings_data.cpp).
// Unassigned codes are null.
namespace qm {

extern const char* const kStandardEncoding[256];
extern const char* const kMacRomanEncoding[256];
extern const char* const kWinAnsiEncoding[256];
extern const char* const kMacExpertEncoding[256];
// Built-in encodings of the Symbol and ZapfDingbats fonts.
extern const char* const kSymbolEncoding[256];
extern const char* const kZapfDingbatsEncoding[256];
// The compact font format's predefined Expert encoding.
extern const char* const kCffExpertEncoding[256];

}  // namespace qm
