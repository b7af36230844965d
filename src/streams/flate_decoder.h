#pragma once
// Decoder of zlib-wrapped deflate data (FlateDecode): stored, fixed and dynamic blocks into a
// 32 KB circular window, decoded on demand. The trailing checksum is never read: at the end of
// the data everything read ahead (checksum included) goes back to the stream below.
#include <cstdint>
#include <memory>

#include "streams/filter_stream.h"
#include "streams/huffman_table.h"
#include "streams/predictor.h"

namespace qm {

class PdfDict;

class FlateDecoder : public FilterStream {
public:
    static constexpr int kWindowSize = 32768;

    // Takes over `below`; `params` (may be null) gives the predictor.
    FlateDecoder(Stream* below, const PdfDict* params);
    ~FlateDecoder() override;

    StreamKind kind() const override { return StreamKind::Flate; }
    void reset() override;
    int readByte() override {
        if (predictor_) return predictor_->readByte();
        return getRawChar();
    }
    int peekByte() override {
        if (predictor_) return predictor_->peekByte();
        if (pending_ == 0 && !fill(kByteBatch)) return -1;
        return window_[readPos_];
    }
    int getRawChar() override {
        if (pending_ == 0 && !fill(kByteBatch)) return -1;
        int c = window_[readPos_];
        readPos_ = (readPos_ + 1) & kMask;
        --pending_;
        return c;
    }
    int readBlock(unsigned char* buffer, int size) override;
    std::unique_ptr<PdfString> describeFilter(int) override { return nullptr; }
    bool isBinaryData(bool) override { return below_->isBinaryData(true); }
    bool readsAhead() const override { return true; }

private:
    static constexpr int kMask = kWindowSize - 1;
    static constexpr int kMaxMatch = 258;
    // Decoding stops once this much is pending, so a match always fits without overwriting
    // bytes not yet served.
    static constexpr int kMaxWant = kWindowSize - kMaxMatch;
    // Byte-wise readers get this much decoded ahead, which keeps calls per byte low without
    // decoding whole blocks for readers that want a few bytes.
    static constexpr int kByteBatch = 1024;
    static constexpr int kInputSize = 4096;

    // Decodes until `want` bytes are pending or the data ends; false when none is pending.
    bool fill(int want);
    bool startBlock();
    bool readDynamicTables();
    void decodeCompressed(int want);
    void copyStored();
    void endData() { endOfBlock_ = endOfData_ = true; }
    // Returns the whole bytes still in the bit buffer and the input buffer to the stream below.
    void handBack();

    bool fillInput();
    int nextInputByte();
    // Tops the bit buffer up to at least 57 bits while input lasts.
    void refill();
    bool getBits(int n, int* value);
    int decodeSymbol(const HuffmanTable& table) {
        uint16_t e = table.fastEntry(bitBuf_);
        int len = e & 15;
        if (e != 0 && len <= bitCount_) {
            bitBuf_ >>= len;
            bitCount_ -= len;
            return e >> 4;
        }
        return decodeSlow(table);
    }
    // Bit-by-bit canonical search: the symbol, -1 when the input ends, -2 for a bad code.
    int decodeSlow(const HuffmanTable& table);

    std::unique_ptr<PredictorReader> predictor_;

    unsigned char window_[kWindowSize];
    int readPos_ = 0;   // next byte served
    int writePos_ = 0;  // next byte decoded
    int pending_ = 0;   // decoded, not yet served

    unsigned char input_[kInputSize];
    int inPos_ = 0;
    int inEnd_ = 0;
    bool inEof_ = false;
    uint64_t bitBuf_ = 0;  // least significant bit is read first
    int bitCount_ = 0;

    bool compressed_ = false;
    long storedRemaining_ = 0;
    bool endOfBlock_ = true;
    bool endOfData_ = true;
    bool handedBack_ = true;
    const HuffmanTable* lit_ = nullptr;
    const HuffmanTable* dist_ = nullptr;
    HuffmanTable dynLit_;
    HuffmanTable dynDist_;
};

// Factory for the decoder table.
Stream* makeFlateDecoder(Stream* below, const PdfDict* params);

}  // namespace qm
