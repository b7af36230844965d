#include "core/text_string.h"

#include <cstdint>

namespace qm {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// 0x18..0x1F and 0x80..0xA0 of the PDF's single-byte encoding; the rest is Latin-1, and
// 0x7F, 0x9F and 0xAD have no character.
constexpr char16_t kLow[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
constexpr char16_t kHigh[33] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039,
                                0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A,
                                0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160, 0x0178, 0x017D, 0x0131,
                                0x0142, 0x0153, 0x0161, 0x017E, 0xFFFD, 0x20AC};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Pairs of bytes after the mark; a lone surrogate or an odd last byte becomes U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    auto unit = [&](size_t i) {
        const auto a = static_cast<uint8_t>(bytes[i]), b = static_cast<uint8_t>(bytes[i + 1]);
        return static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    size_t i = 2;
    for (; i + 1 < bytes.size(); i += 2) {
        const char16_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const char16_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? kReplacement : u);
    }
    if (i < bytes.size()) appendUtf8(out, kReplacement);
    return out;
}

// Well-formed UTF-8 that holds at least one multi-byte sequence.
bool looksLikeUtf8(std::string_view s) {
    bool multiByte = false;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<uint8_t>(s[i]);
        size_t extra;
        if (c < 0x80) extra = 0;
        else if (c >= 0xC2 && c <= 0xDF) extra = 1;
        else if (c >= 0xE0 && c <= 0xEF) extra = 2;
        else if (c >= 0xF0 && c <= 0xF4) extra = 3;
        else return false;
        if (extra >= s.size() - i && extra > 0) return false;
        for (size_t k = 1; k <= extra; ++k) {
            if ((static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        multiByte = multiByte || extra > 0;
        i += extra + 1;
    }
    return multiByte;
}

std::string singleByteToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char ch : bytes) {
        const auto c = static_cast<uint8_t>(ch);
        char32_t u = c;
        if (c >= 0x18 && c <= 0x1F) u = kLow[c - 0x18];
        else if (c >= 0x80 && c <= 0xA0) u = kHigh[c - 0x80];
        else if (c == 0x7F || c == 0xAD) u = kReplacement;
        appendUtf8(out, u);
    }
    return out;
}

}  // namespace

std::string markedTextToUtf8(std::string_view bytes) {
    const auto at = [&](size_t i) { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0u; };
    if (at(0) == 0xFE && at(1) == 0xFF) return utf16ToUtf8(bytes, true);
    if (at(0) == 0xFF && at(1) == 0xFE) return utf16ToUtf8(bytes, false);
    if (at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) return std::string(bytes.substr(3));
    return std::string(bytes);
}

std::string textStringToUtf8(std::string_view bytes) {
    const auto at = [&](size_t i) { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0u; };
    const bool marked = (at(0) == 0xFE && at(1) == 0xFF) || (at(0) == 0xFF && at(1) == 0xFE) ||
                        (at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF);
    if (marked) return markedTextToUtf8(bytes);
    if (looksLikeUtf8(bytes)) return std::string(bytes);
    return singleByteToUtf8(bytes);
}

}  // namespace qm
