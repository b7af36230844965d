#pragma once
// Published tables of the compact font format and of TrueType "post" tables (generated,
// cff_tables_data.cpp).
#include <cstdint>

namespace qm {

constexpr int kCffStandardStringCount = 391;
extern const char* const kCffStandardStrings[kCffStandardStringCount];

// Predefined charsets: glyph index -> string id.
extern const uint16_t kCffISOAdobeCharset[229];
extern const uint16_t kCffExpertCharset[166];
extern const uint16_t kCffExpertSubsetCharset[87];

// The standard Macintosh glyph order of "post" tables (".notdef" first).
constexpr int kMacGlyphNameCount = 258;
extern const char* const kMacGlyphNames[kMacGlyphNameCount];

}  // namespace qm
