#pragma once
// Base of the decoders whose libraries decode a whole image at once: the decoded bytes are
// kept and served from memory until the stream is closed.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "streams/filter_stream.h"

namespace qm {

class WholeImageDecoder : public FilterStream {
public:
    using FilterStream::FilterStream;

    int readByte() override { return next_ < out_.size() ? out_[next_++] : -1; }
    int peekByte() override { return next_ < out_.size() ? out_[next_] : -1; }
    int readBlock(unsigned char* buffer, int size) override {
        size_t n = std::min(static_cast<size_t>(size > 0 ? size : 0), out_.size() - next_);
        if (n == 0) return 0;  // an empty image has no buffer to copy from
        std::memcpy(buffer, out_.data() + next_, n);
        next_ += n;
        return static_cast<int>(n);
    }
    // No PostScript filter decodes these images.
    std::unique_ptr<PdfString> describeFilter(int) override { return nullptr; }
    bool isBinaryData(bool) override { return below_->isBinaryData(true); }

protected:
    // Images can be large; a stream read again decodes again.
    void release() {
        out_.clear();
        out_.shrink_to_fit();
        next_ = 0;
    }

    std::vector<uint8_t> out_;
    size_t next_ = 0;
};

}  // namespace qm
