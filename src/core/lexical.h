#pragma once
// Character classes and number readers shared by the lexer and the cross-reference readers.
#include <cstddef>
#include <initializer_list>

namespace qm::lexical {

enum CharClass : unsigned char { kRegular = 0, kWhite = 1, kDelimiter = 2 };

struct CharTable {
    unsigned char cls[256];
    constexpr CharTable() : cls() {
        for (int i = 0; i < 256; ++i) cls[i] = kRegular;
        for (int c : {0x00, 0x09, 0x0A, 0x0C, 0x0D, 0x20}) cls[c] = kWhite;
        for (int c : {'%', '(', ')', '/', '<', '>', '[', ']', '{', '}'}) cls[c] = kDelimiter;
    }
};
inline constexpr CharTable kChars;

// All take a byte value or -1 (end of data), which is in no class.
inline bool isWhite(int c) { return c >= 0 && c < 256 && kChars.cls[c] == kWhite; }
inline bool isRegular(int c) { return c >= 0 && c < 256 && kChars.cls[c] == kRegular; }
inline bool isDigit(int c) { return c >= '0' && c <= '9'; }

inline int hexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Decimal values stop growing here, far beyond any object number, count or offset a file
// can hold, so no digit string overflows.
inline constexpr long kDecimalCap = 1L << 40;

inline long addDigit(long value, int digit) { return value < kDecimalCap ? value * 10 + (digit - '0') : value; }

// The decimal digits at text[*i] (all of them, the value saturating); *i moves past them.
// False when there is none.
inline bool readDecimal(const char* text, size_t length, size_t* i, long* value) {
    long v = 0;
    size_t start = *i;
    while (*i < length && isDigit(static_cast<unsigned char>(text[*i]))) v = addDigit(v, text[(*i)++]);
    *value = v;
    return *i > start;
}

// White space at text[*i]; *i moves past it.
inline void skipWhite(const char* text, size_t length, size_t* i) {
    while (*i < length && isWhite(static_cast<unsigned char>(text[*i]))) ++*i;
}

}  // namespace qm::lexical
