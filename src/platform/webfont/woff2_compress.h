#pragma once
// WOFF2 compression of a finished OpenType font (libwoff2 with brotli), and the way back for
// checks.
#include <cstdint>
#include <optional>
#include <string>

namespace qm {

// Null when the font is refused (the encoder checks its tables).
std::optional<std::string> compressWoff2(const std::string& sfnt);
// Null when the data is not a whole WOFF2 font.
std::optional<std::string> decompressWoff2(const std::string& woff2);

}  // namespace qm
