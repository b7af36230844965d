#include "streams/run_length_decoder.h"

#include <algorithm>
#include <cstring>

namespace qm {

void RunLengthDecoder::reset() {
    below_->reset();
    next_ = end_ = 0;
    eof_ = false;
}

bool RunLengthDecoder::fill() {
    if (eof_) return false;
    int length = below_->readByte();
    if (length == 128 || length < 0) {
        eof_ = true;
        return false;
    }
    if (length < 128) {
        int count = length + 1;
        int got = below_->readBlock(buffer_, count);
        // A copy cut short by the end of the input is padded rather than dropped, so the
        // consumer still sees the length the run announced.
        if (got < count) std::memset(buffer_ + got, 0xFF, static_cast<size_t>(count - got));
        end_ = count;
    } else {
        int c = below_->readByte();
        end_ = 257 - length;
        std::memset(buffer_, c < 0 ? 0xFF : c, static_cast<size_t>(end_));
    }
    next_ = 0;
    return true;
}

int RunLengthDecoder::readBlock(unsigned char* buffer, int size) {
    int n = 0;
    while (n < size) {
        if (next_ >= end_ && !fill()) break;
        int count = std::min(size - n, end_ - next_);
        std::memcpy(buffer + n, buffer_ + next_, static_cast<size_t>(count));
        next_ += count;
        n += count;
    }
    return n;
}

std::unique_ptr<PdfString> RunLengthDecoder::describeFilter(int indent) {
    return describeWith(indent, "/RunLengthDecode filter\n");
}

Stream* makeRunLengthDecoder(Stream* below, const PdfDict*) { return new RunLengthDecoder(below); }

}  // namespace qm
