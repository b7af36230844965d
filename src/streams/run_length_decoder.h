#pragma once
// PackBits-style run-length decoding: literal copies and repeated bytes, 128 ends the data.
#include "streams/filter_stream.h"

namespace qm {

class RunLengthDecoder : public FilterStream {
public:
    using FilterStream::FilterStream;

    StreamKind kind() const override { return StreamKind::RunLength; }
    void reset() override;
    int readByte() override {
        if (next_ >= end_ && !fill()) return -1;
        return buffer_[next_++];
    }
    int peekByte() override {
        if (next_ >= end_ && !fill()) return -1;
        return buffer_[next_];
    }
    int readBlock(unsigned char* buffer, int size) override;
    std::unique_ptr<PdfString> describeFilter(int indent) override;
    bool isBinaryData(bool) override { return below_->isBinaryData(true); }

private:
    bool fill();

    unsigned char buffer_[128];
    int next_ = 0;
    int end_ = 0;
    bool eof_ = true;
};

Stream* makeRunLengthDecoder(Stream* below, const PdfDict* params);

}  // namespace qm
