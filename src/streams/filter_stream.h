#pragma once
// Base of every decoder: owns the stream below it and delegates position, dictionary and
// source queries to it.
#include <memory>

#include "streams/stream.h"
#include "streams/stream_ref.h"

namespace qm {

class FilterStream : public Stream {
public:
    // Takes over the caller's reference to `below`.
    explicit FilterStream(Stream* below) : below_(below) {}

    void close() override { below_->close(); }
    long position() override { return below_->position(); }
    void setPos(long position) override;
    SourceStream* sourceStream() override { return below_->sourceStream(); }
    PdfDict* dictionary() override { return below_->dictionary(); }
    Stream* below() const { return below_.get(); }

protected:
    // The description of the stream below followed by the indent and `part`; null when
    // the stream below has none.
    std::unique_ptr<PdfString> describeWith(int indent, const char* part);

    StreamRef<> below_;
};

// Stands in for a decoder that could not be made: no data at all.
class EndOfDataStream : public FilterStream {
public:
    using FilterStream::FilterStream;
    StreamKind kind() const override { return StreamKind::EndOfData; }
    void reset() override {}
    int readByte() override { return -1; }
    int peekByte() override { return -1; }
    std::unique_ptr<PdfString> describeFilter(int) override { return nullptr; }
    bool isBinaryData(bool) override { return false; }
};

}  // namespace qm
