#pragma once
// Pairs of hexadecimal digits, whitespace ignored, ">" ends the data.
#include "streams/filter_stream.h"

namespace qm {

class AsciiHexDecoder : public FilterStream {
public:
    using FilterStream::FilterStream;

    StreamKind kind() const override { return StreamKind::AsciiHex; }
    void reset() override;
    int readByte() override {
        int c = pending_ >= 0 ? pending_ : decodeNext();
        pending_ = -1;
        return c;
    }
    int peekByte() override {
        if (pending_ < 0) pending_ = decodeNext();
        return pending_;
    }
    std::unique_ptr<PdfString> describeFilter(int indent) override;
    bool isBinaryData(bool) override { return below_->isBinaryData(false); }

private:
    int decodeNext();
    int nextNonSpace();

    int pending_ = -1;
    bool eof_ = true;
};

Stream* makeAsciiHexDecoder(Stream* below, const PdfDict* params);

}  // namespace qm
