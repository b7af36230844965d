#include "platform/system/legacy_code_page.h"

#include <iconv.h>

#include <vector>

namespace qm {

namespace {

constexpr int kLeadFirst = 0x81, kLeadLast = 0xFE, kTrailFirst = 0x40, kTrailLast = 0xFE;
constexpr int kTrailCount = kTrailLast - kTrailFirst + 1;

std::vector<char16_t> buildTable() {
    std::vector<char16_t> table(static_cast<size_t>(kLeadLast - kLeadFirst + 1) * kTrailCount, 0);
    iconv_t cd = ::iconv_open("UTF-16LE", legacyDoubleByteCodePage());
    if (cd == reinterpret_cast<iconv_t>(-1)) return table;
    for (int lead = kLeadFirst; lead <= kLeadLast; ++lead) {
        for (int trail = kTrailFirst; trail <= kTrailLast; ++trail) {
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char out[8];
            char* inPtr = in;
            char* outPtr = out;
            size_t inLeft = 2, outLeft = sizeof out;
            ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0 ||
                outPtr - out < 2)
                continue;
            char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                                  static_cast<unsigned char>(out[1]) << 8);
            table[static_cast<size_t>(lead - kLeadFirst) * kTrailCount + (trail - kTrailFirst)] = unit;
        }
    }
    ::iconv_close(cd);
    return table;
}

}  // namespace

const char* legacyDoubleByteCodePage() { return "GBK"; }

char16_t legacyDoubleByteToUnicode(uint8_t lead, uint8_t trail) {
    if (lead < kLeadFirst || lead > kLeadLast || trail < kTrailFirst || trail > kTrailLast) return 0;
    static const std::vector<char16_t> table = buildTable();
    return table[static_cast<size_t>(lead - kLeadFirst) * kTrailCount + (trail - kTrailFirst)];
}

}  // namespace qm
