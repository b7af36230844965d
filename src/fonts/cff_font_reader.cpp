#include "fonts/cff_font_reader.h"

#include <charconv>
#include <iterator>

#include "fonts/cff_tables.h"
#include "fonts/font_encodings.h"

namespace qm {

namespace {

constexpr size_t kMaxNameLength = 255;

enum : int { kOpCharset = 15, kOpEncoding = 16, kOpCharStrings = 17 };

// A real operand: nibbles of digits, '.', 'E', 'E-', '-', ended by 0xF.
double readReal(const FontBytes& b, size_t& pos, size_t end) {
    static const char* const kNibbleText[16] = {"0", "1", "2", "3", "4", "5", "6", "7",
                                                "8", "9", ".", "E", "E-", "", "-", ""};
    char text[64];
    size_t len = 0;
    bool done = false;
    while (!done && pos < end) {
        uint8_t byte = b.u8(pos++);
        for (int nibble : {byte >> 4, byte & 0xF}) {
            if (nibble == 0xF) {
                done = true;
                break;
            }
            for (const char* t = kNibbleText[nibble]; *t; ++t)
                if (len < sizeof(text) - 1) text[len++] = *t;
        }
    }
    double value = 0;
    std::from_chars(text, text + len, value);
    return value;
}

}  // namespace

CffFontReader::CffFontReader(const uint8_t* data, size_t size) : bytes_(data, size) {
    if (!bytes_.has(0, 4)) return;
    Index names = readIndex(bytes_.u8(2));
    if (!names.ok) return;
    size_t start, length;
    if (names.count > 0 && indexElement(names, 0, &start, &length)) {
        name_.assign(bytes_.text(start, length < kMaxNameLength ? length : kMaxNameLength));
        hasName_ = true;
    }

    Index topDicts = readIndex(names.end);
    TopDict top;
    if (!topDicts.ok || topDicts.count < 1 || !indexElement(topDicts, 0, &start, &length) ||
        !readTopDict(start, length, &top))
        return;
    strings_ = readIndex(topDicts.end);

    if (top.charStrings >= 0) {
        Index charStrings = readIndex(static_cast<size_t>(top.charStrings));
        if (charStrings.ok) glyphCount_ = charStrings.count;
    }
    readCharset(top.charset);
    readEncoding(top.encoding);
    hasEncoding_ = true;
}

CffFontReader::Index CffFontReader::readIndex(size_t pos) const {
    Index index;
    if (!bytes_.has(pos, 2)) return index;
    index.count = bytes_.u16(pos);
    if (index.count == 0) {
        index.ok = true;
        index.end = pos + 2;
        return index;
    }
    index.offSize = bytes_.u8(pos + 2);
    if (index.offSize < 1 || index.offSize > 4) return index;
    index.offsets = pos + 3;
    size_t offsetBytes = (static_cast<size_t>(index.count) + 1) * index.offSize;
    if (!bytes_.has(index.offsets, offsetBytes)) return index;
    index.dataBase = index.offsets + offsetBytes - 1;
    uint32_t last = bytes_.uN(index.offsets + offsetBytes - index.offSize, index.offSize);
    if (last < 1 || !bytes_.has(index.dataBase, last)) return index;
    index.end = index.dataBase + last;
    index.ok = true;
    return index;
}

bool CffFontReader::indexElement(const Index& index, int i, size_t* start, size_t* length) const {
    if (!index.ok || i < 0 || i >= index.count) return false;
    uint32_t from = bytes_.uN(index.offsets + static_cast<size_t>(i) * index.offSize, index.offSize);
    uint32_t to = bytes_.uN(index.offsets + static_cast<size_t>(i + 1) * index.offSize, index.offSize);
    if (from < 1 || to < from || !bytes_.has(index.dataBase + from, to - from)) return false;
    *start = index.dataBase + from;
    *length = to - from;
    return true;
}

bool CffFontReader::readTopDict(size_t start, size_t length, TopDict* dict) const {
    double operands[kMaxOperands];
    int count = 0;
    size_t pos = start;
    const size_t end = start + length;
    auto push = [&](double v) {
        if (count < kMaxOperands) operands[count++] = v;
    };
    while (pos < end) {
        uint8_t b0 = bytes_.u8(pos++);
        if (b0 < 28 || b0 == 31) {
            int op = b0;
            if (b0 == 12) op = 3072 + (pos < end ? bytes_.u8(pos++) : 0);
            if (count > 0) {
                double v = operands[count - 1];
                long value = v >= -2147483648.0 && v <= 2147483647.0 ? static_cast<long>(v) : -1;
                if (op == kOpCharset) dict->charset = value;
                else if (op == kOpEncoding) dict->encoding = value;
                else if (op == kOpCharStrings) dict->charStrings = value;
            }
            count = 0;
        } else if (b0 == 28) {
            push(static_cast<int16_t>(bytes_.u16(pos)));
            pos += 2;
        } else if (b0 == 29) {
            push(static_cast<int32_t>(bytes_.u32(pos)));
            pos += 4;
        } else if (b0 == 30) {
            push(readReal(bytes_, pos, end));
        } else if (b0 >= 32 && b0 <= 246) {
            push(b0 - 139);
        } else if (b0 >= 247 && b0 <= 250) {
            push((b0 - 247) * 256 + bytes_.u8(pos++) + 108);
        } else if (b0 >= 251 && b0 <= 254) {
            push(-(b0 - 251) * 256 - bytes_.u8(pos++) - 108);
        } else {
            push(0);  // reserved byte values
        }
    }
    return true;
}

void CffFontReader::readCharset(long offset) {
    charsetOffset_ = offset;
    if (offset >= 0 && offset <= 2) return;
    charsetOffset_ = -1;  // custom table, or an offset that cannot be one
    if (offset < 0 || glyphCount_ < 1 || !bytes_.has(static_cast<size_t>(offset), 1)) return;
    charset_.assign(glyphCount_, 0);
    size_t pos = static_cast<size_t>(offset);
    uint8_t format = bytes_.u8(pos++);
    int glyph = 1;
    if (format == 0) {
        for (; glyph < glyphCount_ && bytes_.has(pos, 2); ++glyph, pos += 2) charset_[glyph] = bytes_.u16(pos);
    } else if (format == 1 || format == 2) {
        const size_t rangeSize = format == 1 ? 3 : 4;
        while (glyph < glyphCount_ && bytes_.has(pos, rangeSize)) {
            uint32_t first = bytes_.u16(pos);
            uint32_t left = format == 1 ? bytes_.u8(pos + 2) : bytes_.u16(pos + 2);
            pos += rangeSize;
            for (uint32_t k = 0; k <= left && glyph < glyphCount_; ++k)
                charset_[glyph++] = static_cast<uint16_t>(first + k);
        }
    }
}

const char* CffFontReader::stringName(int sid) {
    if (sid < 0) return nullptr;
    if (sid < kCffStandardStringCount) return kCffStandardStrings[sid];
    size_t start, length;
    if (!indexElement(strings_, sid - kCffStandardStringCount, &start, &length)) return nullptr;
    return names_.add(bytes_.text(start, length < kMaxNameLength ? length : kMaxNameLength));
}

const char* CffFontReader::glyphName(int glyph) {
    if (glyph < 0 || glyph >= glyphCount_) return nullptr;
    int sid = -1;
    switch (charsetOffset_) {
    case 0:
        if (glyph < static_cast<int>(std::size(kCffISOAdobeCharset))) sid = kCffISOAdobeCharset[glyph];
        break;
    case 1:
        if (glyph < static_cast<int>(std::size(kCffExpertCharset))) sid = kCffExpertCharset[glyph];
        break;
    case 2:
        if (glyph < static_cast<int>(std::size(kCffExpertSubsetCharset))) sid = kCffExpertSubsetCharset[glyph];
        break;
    default:
        if (glyph < static_cast<int>(charset_.size())) sid = charset_[glyph];
        break;
    }
    return stringName(sid);
}

void CffFontReader::readEncoding(long offset) {
    if (offset == 0 || offset == 1) {
        const char* const* table = offset == 0 ? kStandardEncoding : kCffExpertEncoding;
        for (int code = 0; code < 256; ++code) encoding_[code] = table[code];
        return;
    }
    if (offset < 0 || !bytes_.has(static_cast<size_t>(offset), 2)) return;
    size_t pos = static_cast<size_t>(offset);
    uint8_t format = bytes_.u8(pos);
    int n = bytes_.u8(pos + 1);
    pos += 2;
    if ((format & 0x7F) == 0) {
        for (int i = 0; i < n && i + 1 < glyphCount_ && bytes_.has(pos, 1); ++i)
            encoding_[bytes_.u8(pos++)] = glyphName(i + 1);
        pos = static_cast<size_t>(offset) + 2 + n;
    } else if ((format & 0x7F) == 1) {
        int glyph = 1;
        for (int r = 0; r < n && bytes_.has(pos, 2); ++r, pos += 2) {
            int first = bytes_.u8(pos);
            int left = bytes_.u8(pos + 1);
            for (int k = 0; k <= left && glyph < glyphCount_; ++k, ++glyph)
                if (first + k < 256) encoding_[first + k] = glyphName(glyph);
        }
        pos = static_cast<size_t>(offset) + 2 + 2 * static_cast<size_t>(n);
    } else {
        return;  // no other format exists, so supplements cannot be located either
    }
    if (!(format & 0x80) || !bytes_.has(pos, 1)) return;
    int supplements = bytes_.u8(pos++);
    for (int i = 0; i < supplements && bytes_.has(pos, 3); ++i, pos += 3)
        encoding_[bytes_.u8(pos)] = stringName(bytes_.u16(pos + 1));
}

}  // namespace qm
