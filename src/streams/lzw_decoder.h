#pragma once
// LZW decoding (variable code width 9 to 12 bits, optional early change) with optional PNG or
// TIFF prediction on top.
#include <cstdint>
#include <memory>

#include "streams/filter_chain.h"
#include "streams/filter_stream.h"
#include "streams/predictor.h"

namespace qm {

class LzwDecoder : public FilterStream {
public:
    LzwDecoder(Stream* below, const LzwParams& params);

    StreamKind kind() const override { return StreamKind::Lzw; }
    void reset() override;
    int readByte() override {
        if (predictor_) return predictor_->readByte();
        return getRawChar();
    }
    int peekByte() override {
        if (predictor_) return predictor_->peekByte();
        if (seqIndex_ >= seqLength_ && !nextSequence()) return -1;
        return sequence_[seqIndex_];
    }
    int getRawChar() override {
        if (seqIndex_ >= seqLength_ && !nextSequence()) return -1;
        return sequence_[seqIndex_++];
    }
    int readBlock(unsigned char* buffer, int size) override;
    std::unique_ptr<PdfString> describeFilter(int indent) override;
    bool isBinaryData(bool) override { return below_->isBinaryData(true); }

    static constexpr int kTableSize = 4097;

private:
    struct Entry {
        uint16_t length;
        uint16_t previous;
        uint8_t last;
    };

    bool nextSequence();
    int readCode();
    void clearTable();

    std::unique_ptr<PredictorReader> predictor_;
    int earlyChange_;
    bool eof_ = true;
    uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    int nextCode_ = 258;
    int codeWidth_ = 9;
    int previousCode_ = 0;
    bool firstAfterClear_ = true;
    int seqLength_ = 0;
    int seqIndex_ = 0;
    Entry table_[kTableSize];
    unsigned char sequence_[kTableSize];
};

Stream* makeLzwDecoder(Stream* below, const PdfDict* params);

}  // namespace qm
