#pragma once
// WOFF2 compression of a finished OpenType font (libwoff2 with brotli), and the way back for
// checks.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qm {

// Null when the font is refused (the encoder checks its tables).
std::optional<std::string> compressWoff2(const std::string& sfnt);
// `count` fonts made on up to four cores at once: `sfntOf(i)` gives the i-th font's tables
// and `take(i, woff2)` receives them compressed as above (null when refused). Both are called
// from several threads at once, each i once.
void compressWoff2Each(size_t count, const std::function<std::string(size_t)>& sfntOf,
                       const std::function<void(size_t, std::optional<std::string>)>& take);
// Null when the data is not a whole WOFF2 font.
std::optional<std::string> decompressWoff2(const std::string& woff2);

}  // namespace qm
