#pragma once
// Fonts with one byte per character (Type 1, compact Type 1, Type 3, TrueType): a 256-entry
// encoding of glyph names, Unicode from ToUnicode or from those names, and widths.
#include <array>
#include <cstdint>
#include <string>

#include "fonts/pdf_font.h"

namespace qm {

struct BuiltinFontMetrics;

class SimpleFont : public PdfFont {
public:
    SimpleFont(ObjectResolver* xref, const char* tag, PdfRef id, const PdfObject& baseFont, FontKind kind,
               PdfDict* fontDict);

    bool isCidFont() const override { return false; }
    int decodeNextChar(const uint8_t* bytes, int len, uint32_t* code, uint16_t* u, int uSize, int* uLen, double* dx,
                       double* dy, double* ox, double* oy) override;

    // Glyph name of a code, or null.
    const char* encodingName(int code) const { return code >= 0 && code < 256 ? encoding_[code] : nullptr; }
    const double* widths() const { return widths_; }
    // True when the code's name is a private copy (from the font program or Differences).
    bool encodingOwned(int code) const { return code >= 0 && code < 256 && !owned_[code].empty(); }
    bool isStandardName() const { return standardName_; }
    const PdfObject& charProcs() const { return charProcs_; }
    // The Resources of a Type 3 font's glyph procedures; null when they use the page's.
    PdfDict* type3Resources() const { return type3Resources_.isDict() ? type3Resources_.getDict() : nullptr; }
    // Where the encoding came from: "font" (the program), a standard encoding's name, or
    // "builtin", and whether Differences changed it.
    const char* encodingSource() const { return encodingSource_; }
    bool hasDifferences() const { return hasDifferences_; }
    bool hasToUnicodeStream() const { return hasToUnicodeStream_; }
    bool usesLegacyDoubleByte() const { return legacyDoubleByte_; }

private:
    void setOwned(int code, const char* name);
    void readDifferences(const PdfObject& differences);
    void buildUnicodeFromNames();
    void readWidths(PdfDict* fontDict, const BuiltinFontMetrics* builtin);

    const char* encoding_[256] = {};
    std::array<std::string, 256> owned_;  // private copies; empty for borrowed names
    double widths_[256] = {};
    PdfObject charProcs_;
    PdfObject type3Resources_;
    bool standardName_ = false;
    const char* encodingSource_ = "builtin";
    bool hasDifferences_ = false;
    bool hasToUnicodeStream_ = false;
    // Texts in a legacy double-byte code page: pairs of high bytes are read as one
    // character. Only for fonts that say nothing about their codes (no program, standard
    // name, ToUnicode, Encoding name or Differences), never for Type 3 or symbol fonts.
    bool legacyDoubleByte_ = false;
    bool highNamesKnown_ = false;  // the Differences name a code of 0x80 or above by the glyph list
    bool legacyPairs_ = false;     // a Type 3 font read as legacy double-byte pairs
    const uint8_t* pendingTrail_ = nullptr;  // the second byte of the pair decoded last
};

}  // namespace qm
