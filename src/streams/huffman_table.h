#pragma once
// Canonical Huffman code of a deflate block (code lengths 1..15, read least significant bit
// first) with a lookup table for the short codes. Decoding through the lookup table gives
// exactly what the bit-by-bit canonical search gives, also for damaged length sets.
#include <cstdint>

namespace qm {

class HuffmanTable {
public:
    static constexpr int kMaxBits = 15;
    static constexpr int kMaxSymbols = 288;
    // Codes up to this length are found with one lookup.
    static constexpr int kFastBits = 10;
    static constexpr unsigned kFastMask = (1u << kFastBits) - 1;

    // Builds the code over `n` symbols from their code lengths (0 = no code).
    void build(const uint8_t* lengths, int n);

    // Lookup entry for the next kFastBits bits: symbol << 4 | code length, or 0 when the
    // code is longer (or the bits start no code) and the canonical search must decide.
    uint16_t fastEntry(uint64_t bits) const { return fast_[bits & kFastMask]; }

    // One step of the canonical search: the symbol when `code` (len bits, first bit read
    // most significant) is a code of that length, else -1.
    int match(int code, int len) const {
        int c = count_[len];
        if (c == 0 || code < first_[len] || code >= first_[len] + c) return -1;
        return symbols_[start_[len] + code - first_[len]];
    }

private:
    uint16_t count_[kMaxBits + 1];
    int first_[kMaxBits + 1];
    uint16_t start_[kMaxBits + 2];
    uint16_t symbols_[kMaxSymbols];
    uint16_t fast_[1u << kFastBits];
};

}  // namespace qm
