#pragma once
// Name and encoding of a compact font program (CFF): the Name INDEX, the first Top DICT's
// charset, encoding and CharStrings offsets, the String INDEX, charsets and encodings with
// their supplements. Every offset and count comes from the file and is checked against the
// buffer before use.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fonts/font_bytes.h"
#include "fonts/font_file_reader.h"

namespace qm {

class CffFontReader : public FontFileReader {
public:
    CffFontReader(const uint8_t* data, size_t size);

    const char* fontName() override { return hasName_ ? name_.c_str() : nullptr; }
    // Null when the program has no readable Top DICT.
    const char* const* encoding() override { return hasEncoding_ ? encoding_ : nullptr; }

    // Entries of the CharStrings INDEX (0 when there is none).
    int glyphCount() const { return glyphCount_; }

    // Top DICT operands kept before an operator; later ones are dropped.
    static constexpr int kMaxOperands = 48;

private:
    struct Index {
        bool ok = false;
        int count = 0;
        int offSize = 0;
        size_t offsets = 0;    // position of the offset array
        size_t dataBase = 0;   // position that offset 1 refers to, minus one
        size_t end = 0;        // first byte after the INDEX
    };
    struct TopDict {
        long charset = 0;
        long encoding = 0;
        long charStrings = -1;
    };

    Index readIndex(size_t pos) const;
    // Element i of an INDEX as (position, length); false when it lies outside the buffer.
    bool indexElement(const Index& index, int i, size_t* start, size_t* length) const;
    bool readTopDict(size_t start, size_t length, TopDict* dict) const;
    void readCharset(long offset);
    // The string of a string id: a standard string or an entry of the String INDEX.
    const char* stringName(int sid);
    const char* glyphName(int glyph);
    void readEncoding(long offset);

    FontBytes bytes_;
    std::string name_;
    bool hasName_ = false;
    Index strings_;
    int glyphCount_ = 0;
    // Glyph index -> string id (custom charsets); predefined ones use the static tables.
    long charsetOffset_ = 0;
    std::vector<uint16_t> charset_;
    const char* encoding_[256] = {};
    bool hasEncoding_ = false;
    FontNameStore names_;
};

}  // namespace qm
