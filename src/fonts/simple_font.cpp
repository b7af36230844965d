#include "fonts/simple_font.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "fonts/cff_font_reader.h"
#include "fonts/code_to_unicode_map.h"
#include "fonts/font_encodings.h"
#include "fonts/global_settings.h"
#include "fonts/standard_fonts.h"
#include "fonts/truetype_font_reader.h"
#include "fonts/type1_font_reader.h"
#include "platform/system/legacy_code_page.h"
#include "streams/stream.h"

namespace qm {

namespace {

// ToUnicode streams are small; a stream that decodes to more is cut here.
constexpr size_t kMaxToUnicodeSize = 16u << 20;

const char* const* namedEncoding(const PdfObject& name, const char** source) {
    struct Named {
        const char* name;
        const char* const* table;
    };
    static const Named kNamed[] = {{"MacRomanEncoding", kMacRomanEncoding},
                                   {"MacExpertEncoding", kMacExpertEncoding},
                                   {"WinAnsiEncoding", kWinAnsiEncoding},
                                   {"StandardEncoding", kStandardEncoding}};
    if (!name.isName()) return nullptr;
    for (const Named& n : kNamed) {
        if (std::strcmp(name.getName(), n.name) == 0) {
            *source = n.name;
            return n.table;
        }
    }
    return nullptr;
}

}  // namespace

namespace {

// Symbol and ZapfDingbats under any subset prefix or style suffix: their codes are symbols,
// never halves of double-byte characters.
bool isSymbolFontName(const char* name) {
    const char* plus = std::strchr(name, '+');
    const char* base = plus ? plus + 1 : name;
    return std::strncmp(base, "Symbol", 6) == 0 || std::strncmp(base, "ZapfDingbats", 12) == 0;
}

}  // namespace

SimpleFont::SimpleFont(ObjectResolver* xref, const char* tag, PdfRef id, const PdfObject& baseFont, FontKind kind,
                       PdfDict* fontDict)
    : PdfFont(tag, id, baseFont) {
    kind_ = kind;

    // Common aliases of the standard fonts take the standard name and metrics.
    if (hasName_) {
        if (const char* base = standardFontForAlias(name_.text())) {
            name_ = PdfString(base);
            standardName_ = true;
        } else {
            standardName_ = isStandardFontName(name_.text());
        }
    }
    const BuiltinFontMetrics* builtin = hasName_ ? findBuiltinFont(name_.text()) : nullptr;
    if (builtin) {
        ascent_ = builtin->ascent * 0.001;
        descent_ = builtin->descent * 0.001;
        for (int i = 0; i < 4; ++i) fontBBox_[i] = builtin->bbox[i] * 0.001;
    }

    readFontDescriptor(xref, fontDict);
    findExternalFontFile();

    PdfObject obj = fontDict ? fontDict->lookup("FontMatrix") : PdfObject();
    for (int i = 0; i < 6 && i < obj.arrayLength(); ++i) {
        PdfObject v = obj.arrayGet(i);
        if (v.isNum()) fontMatrix_[i] = v.getNum();
    }

    if (kind_ == FontKind::Type3) {
        charProcs_ = fontDict ? fontDict->lookup("CharProcs") : PdfObject();
        if (!charProcs_.isDict()) {
            reportError(-1, "Missing or invalid CharProcs dictionary in Type 3 font");
            charProcs_ = PdfObject();
        }
        type3Resources_ = fontDict ? fontDict->lookup("Resources") : PdfObject();
    }

    PdfObject encodingObj = fontDict ? fontDict->lookup("Encoding") : PdfObject();
    const char* const* base = nullptr;
    if (encodingObj.isName()) base = namedEncoding(encodingObj, &encodingSource_);
    else if (encodingObj.isDict()) base = namedEncoding(encodingObj.dictLookup("BaseEncoding"), &encodingSource_);

    // The font program names the glyphs when the dictionary does not.
    bool fromProgram = false;
    if (kind_ == FontKind::Type1 || kind_ == FontKind::Type1C || kind_ == FontKind::TrueType) {
        std::vector<uint8_t> program;
        if (readFontProgram(xref, program)) {
            std::unique_ptr<FontFileReader> reader;
            if (kind_ == FontKind::Type1) reader = std::make_unique<Type1FontReader>(program.data(), program.size());
            else if (kind_ == FontKind::Type1C) reader = std::make_unique<CffFontReader>(program.data(), program.size());
            else reader = std::make_unique<TrueTypeFontReader>(program.data(), program.size());
            if (const char* declared = reader->fontName()) {
                embeddedName_ = PdfString(declared);
                hasEmbeddedName_ = true;
            }
            const char* const* programEncoding = base ? nullptr : reader->encoding();
            if (programEncoding) {
                for (int code = 0; code < 256; ++code)
                    if (programEncoding[code]) setOwned(code, programEncoding[code]);
                fromProgram = true;
                encodingSource_ = "font";
            }
        }
    }
    if (!fromProgram) {
        if (!base) {
            if (builtin) base = builtin->encoding;
            else base = kind_ == FontKind::TrueType ? kMacRomanEncoding : kStandardEncoding;
            encodingSource_ = builtin ? "builtin" : kind_ == FontKind::TrueType ? "MacRomanEncoding" : "StandardEncoding";
        }
        for (int code = 0; code < 256; ++code) encoding_[code] = base[code];
    }

    if (encodingObj.isDict()) readDifferences(encodingObj.dictLookup("Differences"));

    PdfObject toUnicode = fontDict ? fontDict->lookup("ToUnicode") : PdfObject();
    if (toUnicode.isStream()) {
        hasToUnicodeStream_ = true;
        toUnicode_ = CodeToUnicodeMap::parseToUnicode(readStreamText(toUnicode, kMaxToUnicodeSize), 8);
    } else {
        buildUnicodeFromNames();
    }

    readWidths(fontDict, builtin);
    const bool declaresEncoding =
        encodingObj.isName() ||
        (encodingObj.isDict() && (encodingObj.dictLookup("BaseEncoding").isName() || hasDifferences_));
    legacyDoubleByte_ = !standardName_ && embeddedId_.num < 0 && !hasToUnicodeStream_ && !declaresEncoding &&
                        kind_ != FontKind::Type3 && !(hasName_ && isSymbolFontName(name_.text()));
    // Type 3 fonts of some Chinese writers draw a legacy double-byte text one byte per glyph,
    // naming none of the high codes: their pairs read as the legacy code page.
    legacyPairs_ = kind_ == FontKind::Type3 && hasDifferences_ && !hasToUnicodeStream_ && !highNamesKnown_;
    ok_ = true;
}

void SimpleFont::setOwned(int code, const char* name) {
    owned_[code] = name;
    encoding_[code] = owned_[code].c_str();
}

void SimpleFont::readDifferences(const PdfObject& differences) {
    if (!differences.isArray()) return;
    hasDifferences_ = true;
    int code = 0;
    const int n = differences.arrayLength();
    for (int i = 0; i < n; ++i) {
        PdfObject item = differences.arrayGet(i);
        if (item.isInt()) {
            code = item.getInt();
        } else if (item.isName()) {
            if (code >= 0 && code < 256) setOwned(code, item.getName());
            if (code < 0x7FFFFFFF) ++code;
        } else {
            reportError(-1, "Wrong type in font encoding resource differences (%s)", item.kindName());
        }
    }
}

namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexLetter(char c) { return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isHex(char c) { return isDigit(c) || isHexLetter(c); }
int hexValue(char c) { return isDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

// Leading decimal digits of `s` as a number (at most a few, so no overflow).
int decimalPrefix(const char* s) {
    int v = 0;
    for (int i = 0; i < 6 && isDigit(s[i]); ++i) v = v * 10 + (s[i] - '0');
    return v;
}

// Names such as "cA" or "gF3" that only make sense as hexadecimal codes.
bool looksHexadecimal(const char* name, size_t len) {
    if (len == 3) return isLetter(name[0]) && isHex(name[1]) && isHex(name[2]) && (isHexLetter(name[1]) || isHexLetter(name[2]));
    if (len == 2) return isHex(name[0]) && isHex(name[1]) && (isHexLetter(name[0]) || isHexLetter(name[1]));
    return false;
}

int numericCode(const char* name, size_t len, bool hexMode) {
    int n = -1;
    if (hexMode) {
        if (len == 3 && isLetter(name[0]) && isHex(name[1]) && isHex(name[2])) n = hexValue(name[1]) * 16 + hexValue(name[2]);
        else if (len == 2 && isHex(name[0]) && isHex(name[1])) n = hexValue(name[0]) * 16 + hexValue(name[1]);
    } else if (len >= 2 && len <= 4 && isDigit(name[0]) && isDigit(name[1])) {
        n = decimalPrefix(name);
    }
    if (n == -1 && len >= 3 && len <= 5 && isDigit(name[1]) && isDigit(name[2])) n = decimalPrefix(name + 1);
    return n;
}

}  // namespace

void SimpleFont::buildUnicodeFromNames() {
    uint16_t table[256] = {};
    bool unresolved[256] = {};
    bool anyUnresolved = false, hexMode = false;
    for (int code = 0; code < 256; ++code) {
        const char* name = encoding_[code];
        if (!name) continue;
        uint16_t u = globalSettings ? globalSettings->mapNameToUnicode(name) : 0;
        if (u) {
            table[code] = u;
            if (code >= 0x80 && !owned_[code].empty()) highNamesKnown_ = true;
        } else if (std::strcmp(name, ".notdef") != 0) {
            unresolved[code] = anyUnresolved = true;
            if (looksHexadecimal(name, std::strlen(name))) hexMode = true;
        }
    }
    const bool mapNumeric = globalSettings ? globalSettings->mapNumericCharNames() : true;
    if (anyUnresolved && mapNumeric) {
        for (int code = 0; code < 256; ++code) {
            if (!unresolved[code]) continue;
            int n = numericCode(encoding_[code], std::strlen(encoding_[code]), hexMode);
            if (n >= 0 && n <= 255) table[code] = static_cast<uint16_t>(n);
        }
    }
    toUnicode_ = CodeToUnicodeMap::makeFromTable(table);
}

void SimpleFont::readWidths(PdfDict* fontDict, const BuiltinFontMetrics* builtin) {
    for (double& w : widths_) w = missingWidth_ * 0.001;
    PdfObject first = fontDict ? fontDict->lookup("FirstChar") : PdfObject();
    PdfObject last = fontDict ? fontDict->lookup("LastChar") : PdfObject();
    const long long firstChar = first.isInt() ? first.getInt() : 0;
    const long long lastChar = last.isInt() ? last.getInt() : 255;
    const double scale = kind_ == FontKind::Type3 ? fontMatrix_[0] : 0.001;

    PdfObject widths = fontDict ? fontDict->lookup("Widths") : PdfObject();
    if (widths.isArray()) {
        const long long count = widths.arrayLength();
        // Only codes 0-255 are stored, and only those the array reaches.
        for (long long code = firstChar < 0 ? 0 : firstChar; code <= lastChar && code <= 255; ++code) {
            const long long index = code - firstChar;
            if (index >= count) break;
            PdfObject w = widths.arrayGet(static_cast<int>(index));
            if (w.isNum()) widths_[code] = w.getNum() * scale;
        }
        return;
    }
    const BuiltinFontMetrics* metrics = builtin ? builtin : substituteFont(flags_);
    uint16_t w;
    // Files whose code 32 has no name still expect a space there.
    if (builtinGlyphWidth(metrics, "space", &w)) widths_[32] = w * 0.001;
    for (int code = 0; code < 256; ++code)
        if (encoding_[code] && builtinGlyphWidth(metrics, encoding_[code], &w)) widths_[code] = w * 0.001;
}

int SimpleFont::decodeNextChar(const uint8_t* bytes, int len, uint32_t* code, uint16_t* u, int uSize, int* uLen,
                               double* dx, double* dy, double* ox, double* oy) {
    *dy = *ox = *oy = 0;
    if (len <= 0) {
        *code = 0;
        *uLen = 0;
        *dx = 0;
        return 0;
    }
    const uint8_t b0 = bytes[0];
    if (len >= 2 && legacyDoubleByte_ && b0 >= 0x81 && b0 <= 0xFE && bytes[1] >= 0x80 && bytes[1] <= 0xFE) {
        *code = static_cast<uint32_t>(b0) << 8 | bytes[1];
        char16_t unit = legacyDoubleByteToUnicode(b0, bytes[1]);
        *uLen = unit && uSize > 0 ? 1 : 0;
        if (*uLen) u[0] = unit;
        *dx = widths_[b0] + widths_[bytes[1]];
        return 2;
    }
    *code = b0;
    *dx = widths_[b0];
    // Each byte keeps its own glyph; the pair's character goes with the first and the second
    // gives none. The second is known by its address, so decoding anything else in between
    // (or a new string) cannot take it for one.
    if (legacyPairs_) {
        if (bytes == pendingTrail_) {
            pendingTrail_ = nullptr;
            *uLen = 0;
            return 1;
        }
        if (len >= 2 && b0 >= 0xA1 && b0 <= 0xF7 && bytes[1] >= 0xA1 && bytes[1] <= 0xFE && uSize > 0) {
            if (char16_t unit = legacyDoubleByteToUnicode(b0, bytes[1])) {
                u[0] = unit;
                *uLen = 1;
                pendingTrail_ = bytes + 1;
                return 1;
            }
        }
    }
    *uLen = toUnicode_ ? toUnicode_->lookup(b0, u, uSize) : 0;
    return 1;
}

}  // namespace qm
