#pragma once
// Lets an inline image read its data straight out of the content stream that holds it,
// without rewinding that stream.
#include "streams/stream.h"

namespace qm {

class EmbedStream : public SourceStream {
public:
    // `outer` is borrowed: it must outlive this stream.
    EmbedStream(Stream* outer, PdfObject dict) : SourceStream(std::move(dict)), outer_(outer) {}

    StreamKind kind() const override { return outer_->kind(); }
    void reset() override {}
    void close() override {}
    int readByte() override { return outer_->readByte(); }
    int peekByte() override { return outer_->peekByte(); }
    long position() override { return outer_->position(); }
    void setPos(long position) override;
    bool isBinaryData(bool last) override { return outer_->isBinaryData(last); }
    SourceStream* makeSubStream(long start, long length, PdfObject dict) override;
    long getStart() override;
    void moveStart(long delta) override;

private:
    Stream* outer_;
};

}  // namespace qm
