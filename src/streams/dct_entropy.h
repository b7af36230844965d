#pragma once
// Huffman tables and the bit reader of the DCT decoder's entropy-coded data.
#include <cstdint>

#include "streams/stream.h"

namespace qm {

// Zig-zag position -> natural (row-major) position; 16 extra entries absorb the runs of
// damaged data that step past the last coefficient.
extern const uint8_t kDctZigzag[64 + 16];

// The signed value of `n` magnitude bits `v`.
inline int extendDctValue(unsigned v, int n) {
    return v < (1u << (n - 1)) ? static_cast<int>(v) - (1 << n) + 1 : static_cast<int>(v);
}

struct DctHuffmanTable {
    static constexpr int kFastBits = 9;

    // Per code length 1..16 (index 0 unused): first symbol index, first code, code count.
    uint16_t firstIndex[17];
    uint32_t firstCode[17];
    uint16_t count[17];
    uint8_t symbols[256];
    // For every 9-bit prefix: (length << 8) | symbol of the code it starts with, or 0 when
    // that code is longer than 9 bits.
    uint16_t fast[1 << kFastBits];
    // For AC use: when the 9 bits hold a whole code and the value bits after it,
    // (value << 16) | (run << 8) | bits used; 0 otherwise.
    int32_t fastAc[1 << kFastBits];

    void clear();
    // `counts` are the 16 code counts; their sum must be at most 256 (checked by the caller),
    // `values` holds that many symbols.
    void build(const uint8_t counts[16], const uint8_t* values);
};

// Bits of the entropy-coded data, most significant first, with stuffed zero bytes removed.
// A marker or the end of the input stops the supply; the reader then pads with zero bits
// and remembers that it did, so a decode that used them can be failed afterwards.
class DctBitReader {
public:
    void start(Stream* in) {
        in_ = in;
        restart();
        stopped_ = false;
        markerPending_ = false;
    }
    // Drops the buffered bits (at a restart marker, after the marker was taken).
    void restart() {
        bits_ = 0;
        count_ = 0;
        padding_ = 0;
        stopped_ = false;
    }
    void ensure(int n) {
        if (count_ < n) fill();
    }
    // Needs ensure(n) first; n at most 25.
    unsigned peek(int n) const { return static_cast<unsigned>(bits_ >> (count_ - n)) & ((1u << n) - 1); }
    void skip(int n) { count_ -= n; }
    unsigned get(int n) {
        ensure(n);
        unsigned v = peek(n);
        count_ -= n;
        return v;
    }
    // True when padding bits were consumed: the data ran out under the decoder.
    bool overrun() const { return count_ < padding_; }
    // True when the supply was stopped by a marker (its 0xFF already read, the code byte not).
    bool markerPending() const { return markerPending_; }
    void clearMarker() { markerPending_ = false; }

private:
    void fill();

    Stream* in_ = nullptr;
    uint64_t bits_ = 0;
    int count_ = 0;
    int padding_ = 0;
    bool stopped_ = false;
    bool markerPending_ = false;
};

// Decodes one symbol; -1 when no code of up to 16 bits matches.
inline int decodeHuffman(DctBitReader& bits, const DctHuffmanTable& t) {
    bits.ensure(16);
    unsigned e = t.fast[bits.peek(DctHuffmanTable::kFastBits)];
    if (e) {
        bits.skip(static_cast<int>(e >> 8));
        return static_cast<int>(e & 0xFF);
    }
    unsigned code = bits.peek(16);
    for (int len = DctHuffmanTable::kFastBits + 1; len <= 16; ++len) {
        unsigned c = code >> (16 - len);
        unsigned diff = static_cast<uint16_t>(c - t.firstCode[len]);
        if (diff < t.count[len]) {
            bits.skip(len);
            return t.symbols[t.firstIndex[len] + diff];
        }
    }
    return -1;
}

}  // namespace qm
