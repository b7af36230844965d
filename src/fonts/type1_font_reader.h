#pragma once
// Name and encoding of a Type 1 program in text form (PFA, or a PFB's first segment), found
// by scanning its clear-text header.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fonts/font_file_reader.h"

namespace qm {

class Type1FontReader : public FontFileReader {
public:
    Type1FontReader(const uint8_t* data, size_t size);

    const char* fontName() override { return hasName_ ? name_.c_str() : nullptr; }
    const char* const* encoding() override { return hasEncoding_ ? encoding_ : nullptr; }

    // The header lines looked at for the name and the encoding.
    static constexpr int kMaxHeaderLines = 100;
    // The lines of an "/Encoding 256 array" part looked at.
    static constexpr int kMaxEncodingLines = 300;

private:
    void readName(std::string_view line);
    // Reads "dup <code> /<name> put" entries; true when the line ends the part.
    bool readEncodingLine(std::string_view line);

    std::string name_;
    bool hasName_ = false;
    const char* encoding_[256] = {};
    bool hasEncoding_ = false;
    FontNameStore names_;
};

}  // namespace qm
