#include "streams/huffman_table.h"

#include <cstring>

namespace qm {

namespace {
unsigned reverseBits(unsigned code, int len) {
    unsigned r = 0;
    for (int i = 0; i < len; ++i) {
        r = (r << 1) | (code & 1);
        code >>= 1;
    }
    return r;
}
}  // namespace

void HuffmanTable::build(const uint8_t* lengths, int n) {
    if (n > kMaxSymbols) n = kMaxSymbols;
    std::memset(count_, 0, sizeof count_);
    for (int s = 0; s < n; ++s) ++count_[lengths[s] & 15];

    start_[0] = 0;
    for (int len = 0; len <= kMaxBits; ++len) start_[len + 1] = static_cast<uint16_t>(start_[len] + count_[len]);
    int next = 0;
    first_[0] = 0;
    for (int len = 1; len <= kMaxBits; ++len) {
        next = (next + (len == 1 ? 0 : count_[len - 1])) << 1;
        first_[len] = next;
    }

    uint16_t fill[kMaxBits + 1];
    std::memcpy(fill, start_, sizeof fill);
    for (int s = 0; s < n; ++s) symbols_[fill[lengths[s] & 15]++] = static_cast<uint16_t>(s);

    // An over-subscribed set has codes that shadow each other; it is left to the canonical
    // search so that the lookup table never needs more than one entry per bit pattern.
    std::memset(fast_, 0, sizeof fast_);
    long kraft = 0;
    for (int len = 1; len <= kMaxBits; ++len) kraft += static_cast<long>(count_[len]) << (kMaxBits - len);
    if (kraft > (1L << kMaxBits)) return;
    for (int len = 1; len <= kFastBits; ++len) {
        for (int i = 0; i < count_[len]; ++i) {
            unsigned code = static_cast<unsigned>(first_[len] + i);
            uint16_t entry = static_cast<uint16_t>(symbols_[start_[len] + i] << 4 | len);
            for (unsigned r = reverseBits(code, len); r <= kFastMask; r += 1u << len) fast_[r] = entry;
        }
    }
}

}  // namespace qm
