#include "streams/dct_entropy.h"

#include <cstring>

namespace qm {

const uint8_t kDctZigzag[64 + 16] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33,
    40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36,
    29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54,
    47, 55, 62, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63};

void DctHuffmanTable::clear() { std::memset(this, 0, sizeof(*this)); }

void DctHuffmanTable::build(const uint8_t counts[16], const uint8_t* values) {
    clear();
    uint32_t code = 0;
    int index = 0;
    for (int len = 1; len <= 16; ++len) {
        firstIndex[len] = static_cast<uint16_t>(index);
        firstCode[len] = code;
        count[len] = counts[len - 1];
        index += counts[len - 1];
        code = (code + counts[len - 1]) << 1;
    }
    std::memcpy(symbols, values, static_cast<size_t>(index));
    // The fast table answers exactly as a bit-by-bit search from length 1 would, damaged
    // tables included.
    for (unsigned look = 0; look < (1u << kFastBits); ++look) {
        for (int len = 1; len <= kFastBits; ++len) {
            unsigned c = look >> (kFastBits - len);
            unsigned diff = static_cast<uint16_t>(c - firstCode[len]);
            if (diff < count[len]) {
                int symbol = symbols[firstIndex[len] + diff];
                fast[look] = static_cast<uint16_t>((len << 8) | symbol);
                int size = symbol & 0x0F, used = len + size;
                if (size != 0 && used <= kFastBits) {
                    unsigned v = (look >> (kFastBits - used)) & ((1u << size) - 1);
                    int value = extendDctValue(v, size);
                    fastAc[look] = value * 65536 + ((symbol >> 4) << 8) + used;
                }
                break;
            }
        }
    }
}

void DctBitReader::fill() {
    while (count_ <= 56) {
        int c = -1;
        if (!stopped_) {
            c = in_->readByte();
            if (c == 0xFF) {
                int next = in_->peekByte();
                while (next == 0xFF) {  // fill bytes before a marker
                    in_->readByte();
                    next = in_->peekByte();
                }
                if (next == 0) {
                    in_->readByte();
                } else {
                    if (next > 0) markerPending_ = true;
                    c = -1;
                }
            }
            if (c < 0) stopped_ = true;
        }
        if (c < 0) {
            c = 0;
            padding_ += 8;
        }
        bits_ = (bits_ << 8) | static_cast<unsigned>(c);
        count_ += 8;
    }
}

}  // namespace qm
