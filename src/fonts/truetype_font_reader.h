#pragma once
// Encoding and a few metrics of a TrueType program: the table directory, the "cmap"
// subtable that maps one-byte codes (formats 0, 4 and 6), glyph names from "post", and the
// "head" and "maxp" values. Tables and offsets that point outside the buffer are cut to it.
#include <cstddef>
#include <cstdint>

#include "fonts/font_bytes.h"
#include "fonts/font_file_reader.h"

namespace qm {

class TrueTypeFontReader : public FontFileReader {
public:
    TrueTypeFontReader(const uint8_t* data, size_t size);

    // TrueType programs declare no name the font dictionaries use.
    const char* fontName() override { return nullptr; }
    // Built on the first call and kept.
    const char* const* encoding() override;

    // False when a table the metrics come from is missing; the values below are then 0.
    bool hasMetrics() const { return hasMetrics_; }
    // "head" xMin, yMin, xMax, yMax.
    const int* boundingBox() const { return bbox_; }
    int indexToLocFormat() const { return indexToLocFormat_; }
    int glyphCount() const { return glyphCount_; }

private:
    // The table with this tag (first match), cut to the buffer; empty when absent.
    FontBytes table(const char* tag, bool* found = nullptr) const;
    // Code -> glyph for the codes 0-255 from the chosen "cmap" subtable.
    void mapCodes(uint16_t glyphs[256]) const;
    void nameGlyphs(const uint16_t glyphs[256]);

    FontBytes bytes_;
    bool hasMetrics_ = false;
    int bbox_[4] = {};
    int indexToLocFormat_ = 0;
    int glyphCount_ = 0;
    bool built_ = false;
    const char* encoding_[256] = {};
    FontNameStore names_;
};

}  // namespace qm
