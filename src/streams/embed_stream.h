#pragma once
// Lets an inline image read its data straight out of the content stream that holds it,
// without rewinding that stream. Decoders that read ahead hand back what lies beyond the end
// of their data, so after the image the content stream continues exactly where the image's
// data ends.
#include <vector>

#include "core/pushback_bytes.h"
#include "streams/stream.h"

namespace qm {

class EmbedStream : public SourceStream {
public:
    // Decoded bytes one decoder level may produce while being read to its end after the
    // image; beyond this the data is abandoned and the search for the image's end starts
    // from wherever the reading stopped.
    static constexpr long kMaxDrain = 16L << 20;

    // `outer` is borrowed and may be null (no bytes beyond the handed-back ones): it must
    // outlive this stream.
    EmbedStream(Stream* outer, PdfObject dict) : SourceStream(std::move(dict)), outer_(outer) {}

    StreamKind kind() const override { return outer_ ? outer_->kind() : StreamKind::File; }
    // Nothing rewinds: the first reset only marks that a decoder started reading.
    void reset() override { started_ = true; }
    void close() override {}
    int readByte() override {
        if (!back_.empty()) return back_.take();
        return outer_ ? outer_->readByte() : -1;
    }
    int peekByte() override {
        if (!back_.empty()) return back_.peek();
        return outer_ ? outer_->peekByte() : -1;
    }
    void giveBack(const unsigned char* bytes, int count) override {
        if (count > 0) back_.prepend(bytes, static_cast<size_t>(count));
    }
    long position() override { return outer_ ? outer_->position() : -1; }
    void setPos(long position) override;
    bool isBinaryData(bool last) override { return outer_ && outer_->isBinaryData(last); }
    SourceStream* makeSubStream(long start, long length, PdfObject dict) override;
    long getStart() override;
    void moveStart(long delta) override;

    // Reads each decoder of the chain from `top` down to this stream that reads ahead to the
    // end of its data, so that it hands back what it read beyond. `top` may be this stream
    // itself (unfiltered data: nothing to do).
    void finishChain(Stream* top);
    // The handed-back bytes not read yet; they belong to whoever reads the outer stream next.
    std::vector<unsigned char> takeUnread() { return back_.takeAll(); }

private:
    Stream* outer_;
    bool started_ = false;
    // Bytes handed back by the decoder above, served before the outer stream's.
    PushbackBytes back_;
};

}  // namespace qm
