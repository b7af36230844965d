#pragma once
// WOFF2 compression of a finished OpenType font (libwoff2 with brotli), and the way back for
// checks.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// Null when the font is refused (the encoder checks its tables).
std::optional<std::string> compressWoff2(const std::string& sfnt);
// `count` fonts, the i-th made by `sfntOf(i)` and compressed as above, made on up to four
// cores at once (`sfntOf` is called from several threads); the results in order.
std::vector<std::optional<std::string>> compressWoff2Each(size_t count,
                                                          const std::function<std::string(size_t)>& sfntOf);
// Null when the data is not a whole WOFF2 font.
std::optional<std::string> decompressWoff2(const std::string& woff2);

}  // namespace qm
