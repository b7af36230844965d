#pragma once
// A font built from a font dictionary of a page's resources: its kind, descriptor values,
// embedded or external font program, and the per-character decoding the content
// interpreter calls for every character of a shown string. Fonts never draw glyphs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/pdf_object.h"
#include "core/pdf_string.h"

namespace qm {

class ObjectResolver;
class PdfDict;
class CodeToUnicodeMap;

enum class FontKind : int {
    Unknown = 0,
    Type1 = 1,
    Type1C = 2,
    Type3 = 3,
    TrueType = 4,
    CidType0 = 5,
    CidType0C = 6,
    CidType2 = 7,
};

const char* fontKindName(FontKind kind);

class PdfFont {
public:
    virtual ~PdfFont();
    PdfFont(const PdfFont&) = delete;
    PdfFont& operator=(const PdfFont&) = delete;

    virtual bool isCidFont() const = 0;
    // Decodes one character from the start of `bytes` (len > 0) and returns the number of
    // bytes it takes. `code` is the character code or CID; up to uSize Unicode values go
    // to `u` (their count to uLen); (dx, dy) is the advance in text space before font size
    // and scaling, (ox, oy) the origin offset of vertical writing.
    virtual int decodeNextChar(const uint8_t* bytes, int len, uint32_t* code, uint16_t* u, int uSize, int* uLen,
                               double* dx, double* dy, double* ox, double* oy) = 0;
    // The code -> Unicode map with a new reference (the caller releases it), or null.
    CodeToUnicodeMap* getToUnicode() const;

    bool isOk() const { return ok_; }
    int wMode() const { return wMode_; }
    int winCharSet() const { return winCharSet_; }
    int italicAngle() const { return italicAngle_; }
    const PdfString& tag() const { return tag_; }
    PdfRef id() const { return id_; }
    // BaseFont, or the standard name an alias stands for; null when there is none.
    const PdfString* name() const { return hasName_ ? &name_ : nullptr; }
    FontKind kind() const { return kind_; }
    int flags() const { return flags_; }
    bool isFixedWidth() const { return flags_ & 0x1; }
    bool isSerif() const { return flags_ & 0x2; }
    bool isItalic() const { return flags_ & 0x40; }
    bool isBold() const { return flags_ & 0x40000; }
    const PdfString* embeddedName() const { return hasEmbeddedName_ ? &embeddedName_ : nullptr; }
    // num = -1 when the font has no embedded program.
    PdfRef embeddedId() const { return embeddedId_; }
    bool hasEmbeddedProgram() const { return embeddedId_.num >= 0; }
    const PdfString* externalFile() const { return hasExternalFile_ ? &externalFile_ : nullptr; }
    const double* fontMatrix() const { return fontMatrix_; }
    const double* fontBBox() const { return fontBBox_; }
    double missingWidth() const { return missingWidth_; }
    double ascent() const { return ascent_; }
    double descent() const { return descent_; }
    // The whole font program (external file first, else the embedded stream); false when
    // there is none.
    bool readFontProgram(ObjectResolver* xref, std::vector<uint8_t>& bytes);

protected:
    PdfFont(const char* tag, PdfRef id, const PdfObject& baseFont);

    // Flags, names, the embedded program's reference, widths and metrics of the descriptor
    // of `dict` (the font, or the descendant of a composite font).
    void readFontDescriptor(ObjectResolver* xref, PdfDict* dict);
    // Type 1 and TrueType fonts look for a program of their name in the font folders.
    void findExternalFontFile();

    bool ok_ = false;
    int wMode_ = 0;
    int winCharSet_ = 1;
    int italicAngle_ = 0;
    PdfString tag_;
    PdfRef id_;
    bool hasName_ = false;
    PdfString name_;
    FontKind kind_ = FontKind::Unknown;
    int flags_ = 2;
    bool hasEmbeddedName_ = false;
    PdfString embeddedName_;
    PdfRef embeddedId_{-1, 0};
    bool hasExternalFile_ = false;
    PdfString externalFile_;
    double fontMatrix_[6] = {1, 0, 0, 1, 0, 0};
    double fontBBox_[4] = {0, 0, 0, 0};
    double missingWidth_ = 0;
    double ascent_ = 0.95;
    double descent_ = -0.35;
    CodeToUnicodeMap* toUnicode_ = nullptr;  // one reference, released by the destructor
};

// The decoded data of a stream object, at most `limit` bytes of it.
std::string readStreamText(const PdfObject& streamObject, size_t limit);

// Builds the font of a font dictionary found under `tag`; (num, gen) is its reference, or
// (entry index, 999999) for a direct dictionary. Never null; the caller checks isOk().
PdfFont* createFont(ObjectResolver* xref, const char* tag, int num, int gen, PdfDict* fontDict);

}  // namespace qm
