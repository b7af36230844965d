#pragma once
// Composite (Type 0) fonts: a CMap turns the bytes of a string into CIDs; Unicode comes
// from a ToUnicode map or the collection's cidToUnicode data; widths and vertical metrics
// from the descendant font's W, W2, DW and DW2 entries.
#include <cstdint>
#include <vector>

#include "fonts/pdf_font.h"

namespace qm {

class CPDFMap;

struct CidWidthRange {
    uint32_t first;
    uint32_t last;
    double width;
};

struct CidVerticalRange {
    uint32_t first;
    uint32_t last;
    double height;
    double vx;
    double vy;
};

class CidFont : public PdfFont {
public:
    CidFont(ObjectResolver* xref, const char* tag, PdfRef id, const PdfObject& baseFont, PdfDict* fontDict);
    ~CidFont() override;

    bool isCidFont() const override { return true; }
    int decodeNextChar(const uint8_t* bytes, int len, uint32_t* code, uint16_t* u, int uSize, int* uLen, double* dx,
                       double* dy, double* ox, double* oy) override;

    // The character collection of the CMap (for example Adobe-Japan1); empty without one.
    PdfString getCollection() const;
    const CPDFMap* cmap() const { return cmap_; }
    double defaultWidth() const { return defaultWidth_; }
    double defaultHeight() const { return defaultHeight_; }
    double defaultVY() const { return defaultVY_; }
    const std::vector<CidWidthRange>& widthRanges() const { return widthRanges_; }
    const std::vector<CidVerticalRange>& verticalRanges() const { return verticalRanges_; }
    // Glyph ids by CID from a CIDToGIDMap stream; empty for none or Identity.
    const std::vector<uint16_t>& cidToGid() const { return cidToGid_; }
    bool hasToUnicodeStream() const { return hasToUnicodeStream_; }

private:
    bool build(ObjectResolver* xref, PdfDict* fontDict);
    void readCidToGidMap(PdfDict* descendant);
    void readWidths(const PdfObject& w);
    void readVerticalWidths(const PdfObject& w2);

    CPDFMap* cmap_ = nullptr;  // one reference
    double defaultWidth_ = 1.0;
    double defaultHeight_ = -1.0;
    double defaultVY_ = 0.88;
    std::vector<CidWidthRange> widthRanges_;
    std::vector<CidVerticalRange> verticalRanges_;
    std::vector<uint16_t> cidToGid_;
    bool hasToUnicodeStream_ = false;
};

}  // namespace qm
