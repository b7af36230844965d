#include "fonts/pdf_font.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/pdf_array.h"
#include "core/object_resolver.h"
#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "fonts/cid_font.h"
#include "fonts/code_to_unicode_map.h"
#include "fonts/global_settings.h"
#include "fonts/simple_font.h"
#include "streams/stream.h"

namespace qm {

namespace {

// Font programs are a few megabytes at most; a stream that decodes to more is cut here.
constexpr size_t kMaxProgramSize = 64u << 20;
constexpr size_t kReadChunk = 4096;

void mismatch() { reportError(-1, "Mismatch between font type and embedded font file"); }

}  // namespace

const char* fontKindName(FontKind kind) {
    switch (kind) {
    case FontKind::Type1: return "Type1";
    case FontKind::Type1C: return "Type1C";
    case FontKind::Type3: return "Type3";
    case FontKind::TrueType: return "TrueType";
    case FontKind::CidType0: return "CIDFontType0";
    case FontKind::CidType0C: return "CIDFontType0C";
    case FontKind::CidType2: return "CIDFontType2";
    case FontKind::Unknown: break;
    }
    return "unknown";
}

PdfFont::PdfFont(const char* tag, PdfRef id, const PdfObject& baseFont) : tag_(tag ? tag : ""), id_(id) {
    if (baseFont.isName()) {
        name_ = PdfString(baseFont.getName());
        hasName_ = true;
    }
}

PdfFont::~PdfFont() {
    if (toUnicode_) toUnicode_->release();
}

CodeToUnicodeMap* PdfFont::getToUnicode() const {
    if (toUnicode_) toUnicode_->addRef();
    return toUnicode_;
}

void PdfFont::readFontDescriptor(ObjectResolver* xref, PdfDict* dict) {
    (void)xref;
    flags_ = 2;
    missingWidth_ = 0;
    embeddedId_ = {-1, 0};
    PdfObject descriptor = dict ? dict->lookup("FontDescriptor") : PdfObject();
    if (!descriptor.isDict()) return;
    PdfDict* d = descriptor.getDict();

    PdfObject obj = d->lookup("Flags");
    if (obj.isInt()) flags_ = obj.getInt();
    obj = d->lookup("FontName");
    if (obj.isName()) {
        embeddedName_ = PdfString(obj.getName());
        hasEmbeddedName_ = true;
    }

    obj = d->lookupRaw("FontFile");
    if (obj.isRef()) {
        if (kind_ == FontKind::Type1) embeddedId_ = obj.getRef();
        else mismatch();
    }
    if (embeddedId_.num < 0) {
        obj = d->lookupRaw("FontFile2");
        if (obj.isRef()) {
            if (kind_ == FontKind::TrueType || kind_ == FontKind::CidType2) embeddedId_ = obj.getRef();
            else mismatch();
        }
    }
    if (embeddedId_.num < 0) {
        PdfObject raw = d->lookupRaw("FontFile3");
        PdfObject file = raw.isRef() ? d->lookup("FontFile3") : PdfObject();
        if (file.isStream()) {
            PdfObject subtype = file.dictLookup("Subtype");
            const char* s = subtype.isName() ? subtype.getName() : nullptr;
            bool accept = false;
            if (s && std::strcmp(s, "Type1") == 0) {
                accept = kind_ == FontKind::Type1;
            } else if (s && std::strcmp(s, "Type1C") == 0) {
                if (kind_ == FontKind::Type1) kind_ = FontKind::Type1C;
                accept = kind_ == FontKind::Type1C;
            } else if (s && std::strcmp(s, "TrueType") == 0) {
                accept = kind_ == FontKind::TrueType;
            } else if (s && std::strcmp(s, "OpenType") == 0) {
                // OpenType wraps outlines of either kind; the font keeps the kind its
                // dictionary gives, which says how its codes find glyphs.
                accept = kind_ != FontKind::Type3 && kind_ != FontKind::Unknown;
            } else if (s && std::strcmp(s, "CIDFontType0C") == 0) {
                if (kind_ == FontKind::CidType0) kind_ = FontKind::CidType0C;
                accept = kind_ == FontKind::CidType0C;
            } else {
                reportError(-1, "Unknown embedded font type '%s'", s ? s : "???");
                s = nullptr;
            }
            if (accept) embeddedId_ = raw.getRef();
            else if (s) mismatch();
        }
    }

    obj = d->lookup("MissingWidth");
    if (obj.isNum()) missingWidth_ = obj.getNum();
    obj = d->lookup("Ascent");
    if (obj.isNum() && obj.getNum() * 0.001 != 0) ascent_ = obj.getNum() * 0.001;
    obj = d->lookup("Descent");
    if (obj.isNum() && obj.getNum() * 0.001 != 0) descent_ = obj.getNum() * 0.001;
    obj = d->lookup("FontBBox");
    for (int i = 0; i < 4 && i < obj.arrayLength(); ++i) {
        PdfObject v = obj.arrayGet(i);
        if (v.isNum()) fontBBox_[i] = v.getNum() * 0.001;
    }
    obj = d->lookup("ItalicAngle");
    if (obj.isNum() && std::isfinite(obj.getNum()) && std::fabs(obj.getNum()) < 1e9)
        italicAngle_ = static_cast<int>(obj.getNum());
}

void PdfFont::findExternalFontFile() {
    if (!hasName_ || !globalSettings) return;
    bool found = false;
    if (kind_ == FontKind::Type1) found = globalSettings->findFontFile(name_.text(), ".pfa", ".pfb", &externalFile_);
    else if (kind_ == FontKind::TrueType) found = globalSettings->findFontFile(name_.text(), ".ttf", nullptr, &externalFile_);
    hasExternalFile_ = found;
}

bool PdfFont::readFontProgram(ObjectResolver* xref, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (hasExternalFile_) {
        FILE* f = std::fopen(externalFile_.text(), "rb");
        if (!f) {
            reportError(-1, "External font file '%s' vanished", externalFile_.text());
            return false;
        }
        uint8_t chunk[kReadChunk];
        for (size_t n; bytes.size() < kMaxProgramSize && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
            bytes.insert(bytes.end(), chunk, chunk + n);
        if (std::ferror(f)) reportError(-1, "Error reading external font file '%s'", externalFile_.text());
        std::fclose(f);
        return true;
    }
    if (embeddedId_.num < 0 || !xref) return false;
    PdfObject file = xref->fetch(embeddedId_.num, embeddedId_.gen);
    if (!file.isStream()) {
        reportError(-1, "Embedded font file is not a stream");
        embeddedId_ = {-1, 0};
        return false;
    }
    Stream* s = file.getStream();
    s->reset();
    for (;;) {
        const size_t old = bytes.size();
        if (old >= kMaxProgramSize) break;
        bytes.resize(old + kReadChunk);
        int n = s->readBlock(bytes.data() + old, static_cast<int>(kReadChunk));
        bytes.resize(old + (n > 0 ? static_cast<size_t>(n) : 0));
        if (n <= 0) break;
    }
    s->close();
    return true;
}

std::string readStreamText(const PdfObject& streamObject, size_t limit) {
    std::string text;
    if (!streamObject.isStream()) return text;
    Stream* s = streamObject.getStream();
    s->reset();
    unsigned char chunk[kReadChunk];
    for (int n; text.size() < limit && (n = s->readBlock(chunk, sizeof chunk)) > 0;)
        text.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(n));
    s->close();
    return text;
}

namespace {

// Stands in for a font that could not be built at all; isOk() is false, so nobody keeps it.
class UnbuiltFont : public PdfFont {
public:
    UnbuiltFont(const char* tag, PdfRef id, const PdfObject& baseFont) : PdfFont(tag, id, baseFont) {}
    bool isCidFont() const override { return false; }
    int decodeNextChar(const uint8_t*, int, uint32_t* code, uint16_t*, int, int* uLen, double* dx, double* dy,
                       double* ox, double* oy) override {
        *code = 0;
        *uLen = 0;
        *dx = *dy = *ox = *oy = 0;
        return 1;
    }
};

}  // namespace

PdfFont* createFont(ObjectResolver* xref, const char* tag, int num, int gen, PdfDict* fontDict) {
    const PdfRef id{num, gen};
    PdfObject baseFont = fontDict ? fontDict->lookup("BaseFont") : PdfObject();
    // Glyph names, CMaps and Unicode tables all come from the settings; a font built without
    // them would decode wrongly without a word, so the caller's omission is made visible.
    if (!globalSettings) {
        reportError(-1, "Font '%s' not built: the engine settings were not created", tag ? tag : "");
        return new UnbuiltFont(tag, id, baseFont);
    }
    PdfObject subtype = fontDict ? fontDict->lookup("Subtype") : PdfObject();
    FontKind kind = FontKind::Unknown;
    if (subtype.isName("Type1") || subtype.isName("MMType1")) kind = FontKind::Type1;
    else if (subtype.isName("Type1C")) kind = FontKind::Type1C;
    else if (subtype.isName("Type3")) kind = FontKind::Type3;
    else if (subtype.isName("TrueType")) kind = FontKind::TrueType;
    else if (subtype.isName("Type0")) return new CidFont(xref, tag, id, baseFont, fontDict);
    else reportError(-1, "Unknown font type: '%s'", subtype.isName() ? subtype.getName() : "???");
    return new SimpleFont(xref, tag, id, baseFont, kind, fontDict);
}

}  // namespace qm
