#pragma once
// Base-85 groups of five characters to four bytes; "z" stands for four zeros, "~" ends.
#include "streams/filter_stream.h"

namespace qm {

class Ascii85Decoder : public FilterStream {
public:
    using FilterStream::FilterStream;

    StreamKind kind() const override { return StreamKind::Ascii85; }
    void reset() override;
    int readByte() override {
        if (index_ >= count_ && !fill()) return -1;
        return bytes_[index_++];
    }
    int peekByte() override {
        if (index_ >= count_ && !fill()) return -1;
        return bytes_[index_];
    }
    std::unique_ptr<PdfString> describeFilter(int indent) override;
    bool isBinaryData(bool) override { return below_->isBinaryData(false); }

private:
    bool fill();
    int nextChar();

    unsigned char bytes_[4] = {0, 0, 0, 0};
    int index_ = 0;
    int count_ = 0;
    bool eof_ = true;
};

Stream* makeAscii85Decoder(Stream* below, const PdfDict* params);

}  // namespace qm
