#pragma once
// Readers that take what the font dictionaries need from an embedded or external font
// program held in memory: the name the program declares and its 256-entry glyph-name
// encoding. No glyph outlines are read.
#include <deque>
#include <string>
#include <string_view>

namespace qm {

class FontFileReader {
public:
    virtual ~FontFileReader() = default;
    // The font name the program declares, or null.
    virtual const char* fontName() = 0;
    // Glyph names by code (null entries for unmapped codes), owned by the reader; null when
    // the program holds no encoding at all, so the caller keeps its own fallback.
    virtual const char* const* encoding() = 0;
};

// Copies of names that live as long as the reader (stable addresses).
class FontNameStore {
public:
    const char* add(std::string_view name) { return names_.emplace_back(name).c_str(); }

private:
    std::deque<std::string> names_;
};

}  // namespace qm
