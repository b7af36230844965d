#include "streams/lzw_decoder.h"

#include <cstring>

#include "core/report_error.h"

namespace qm {

namespace {
constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFreeCode = 258;
constexpr int kLastCode = 4096;
}  // namespace

LzwDecoder::LzwDecoder(Stream* below, const LzwParams& params)
    // Only 0 and 1 make sense; anything else would just shift the width changes around.
    : FilterStream(below), earlyChange_(params.earlyChange != 0 ? 1 : 0) {
    if (params.predictor.predictor != 1)
        predictor_ = std::make_unique<PredictorReader>(this, params.predictor);
    std::memset(table_, 0, sizeof(table_));
    // Walking a sequence back ends in one of these single-byte codes.
    for (int i = 0; i < 256; ++i) table_[i] = {1, 0, static_cast<uint8_t>(i)};
}

void LzwDecoder::reset() {
    below_->reset();
    eof_ = false;
    bitBuffer_ = 0;
    bitCount_ = 0;
    clearTable();
    if (predictor_) predictor_->reset();
}

void LzwDecoder::clearTable() {
    nextCode_ = kFirstFreeCode;
    codeWidth_ = 9;
    seqLength_ = 0;
    seqIndex_ = 0;
    firstAfterClear_ = true;
}

int LzwDecoder::readCode() {
    while (bitCount_ < codeWidth_) {
        int c = below_->readByte();
        if (c < 0) return -1;
        bitBuffer_ = (bitBuffer_ << 8) | static_cast<uint32_t>(c);
        bitCount_ += 8;
    }
    bitCount_ -= codeWidth_;
    return static_cast<int>((bitBuffer_ >> bitCount_) & ((1u << codeWidth_) - 1));
}

bool LzwDecoder::nextSequence() {
    if (eof_) return false;
    int code = readCode();
    if (code == kClearCode) {
        clearTable();
        code = readCode();
    }
    // Two clear codes in a row are legal; keep going until something else turns up.
    while (code == kClearCode) code = readCode();
    if (code < 0 || code == kEndCode) {
        eof_ = true;
        seqLength_ = seqIndex_ = 0;
        return false;
    }
    if (nextCode_ > kLastCode) {
        reportError(below_->position(), "Bad LZW stream - expected clear-table code");
        clearTable();
    }
    const int previousLength = seqLength_;
    if (code < 256) {
        sequence_[0] = static_cast<unsigned char>(code);
        seqLength_ = 1;
    } else if (code < nextCode_) {
        int length = table_[code].length;
        int c = code;
        for (int i = length - 1; i >= 0; --i) {
            sequence_[i] = table_[c].last;
            c = table_[c].previous;
        }
        seqLength_ = length;
    } else if (code == nextCode_ && previousLength > 0) {
        // The code being defined right now: the previous sequence plus its own first byte.
        sequence_[previousLength] = sequence_[0];
        seqLength_ = previousLength + 1;
    } else {
        reportError(below_->position(), "Bad LZW stream - unexpected code");
        eof_ = true;
        seqLength_ = seqIndex_ = 0;
        return false;
    }
    if (firstAfterClear_) {
        firstAfterClear_ = false;
    } else {
        Entry& e = table_[nextCode_];
        e.length = static_cast<uint16_t>(previousLength + 1);
        e.previous = static_cast<uint16_t>(previousCode_);
        e.last = sequence_[0];
        ++nextCode_;
        const int reach = nextCode_ + earlyChange_;
        codeWidth_ = reach >= 2048 ? 12 : reach >= 1024 ? 11 : reach >= 512 ? 10 : 9;
    }
    previousCode_ = code;
    seqIndex_ = 0;
    return true;
}

int LzwDecoder::readBlock(unsigned char* buffer, int size) {
    if (predictor_) return Stream::readBlock(buffer, size);
    int n = 0;
    while (n < size) {
        if (seqIndex_ >= seqLength_ && !nextSequence()) break;
        int count = std::min(size - n, seqLength_ - seqIndex_);
        std::memcpy(buffer + n, sequence_ + seqIndex_, static_cast<size_t>(count));
        seqIndex_ += count;
        n += count;
    }
    return n;
}

std::unique_ptr<PdfString> LzwDecoder::describeFilter(int indent) {
    if (predictor_) return nullptr;
    return describeWith(indent, "/LZWDecode filter\n");
}

Stream* makeLzwDecoder(Stream* below, const PdfDict* params) {
    return new LzwDecoder(below, readLzwParams(params));
}

}  // namespace qm
