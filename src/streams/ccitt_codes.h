#pragma once
// The T.4 code tables of the CCITT fax decoder as direct lookup tables, indexed by the next
// bits of the data (most significant first).
#include <cstdint>

namespace qm {

struct CcittCode {
    int16_t value;  // run length, or the mode number for two-dimensional codes
    int8_t bits;    // code length; 0 when no code starts with these bits
};

enum CcittMode : int16_t {
    kModePass = 0,
    kModeHorizontal = 1,
    kModeVertical0 = 2,
    kModeVerticalR1 = 3,
    kModeVerticalR2 = 4,
    kModeVerticalR3 = 5,
    kModeVerticalL1 = 6,
    kModeVerticalL2 = 7,
    kModeVerticalL3 = 8,
    kModeExtension = 9,
};

constexpr int kCcittModeBits = 7;
constexpr int kCcittWhiteBits = 12;
constexpr int kCcittBlackBits = 13;

struct CcittTables {
    CcittCode mode[1 << kCcittModeBits];
    CcittCode white[1 << kCcittWhiteBits];
    CcittCode black[1 << kCcittBlackBits];
};

// Built once, on first use.
const CcittTables& ccittTables();

}  // namespace qm
