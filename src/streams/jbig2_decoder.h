#pragma once
// JBIG2 images (JBIG2Decode) through jbig2dec: the whole embedded page is decoded when the
// stream is reset, with the symbol dictionaries of the JBIG2Globals stream when there is one,
// and served as 1-bit rows, 0 for black.
#include <cstdint>
#include <vector>

#include "core/pdf_object.h"
#include "streams/filter_stream.h"

namespace qm {

class Jbig2Decoder : public FilterStream {
public:
    // `globals` is the JBIG2Globals stream object, or anything else for none.
    Jbig2Decoder(Stream* below, PdfObject globals);

    StreamKind kind() const override { return StreamKind::Jbig2; }
    void reset() override;
    void close() override;
    int readByte() override { return next_ < out_.size() ? out_[next_++] : -1; }
    int peekByte() override { return next_ < out_.size() ? out_[next_] : -1; }
    int readBlock(unsigned char* buffer, int size) override;
    // No PostScript filter decodes JBIG2.
    std::unique_ptr<PdfString> describeFilter(int) override { return nullptr; }
    bool isBinaryData(bool) override { return below_->isBinaryData(true); }

    // The decoded page's size, valid after a reset that found a page.
    int width() const { return width_; }
    int height() const { return height_; }

    // Called by the library for its messages.
    void libraryMessage(const char* text, bool fatal);

private:
    bool decode();
    bool readGlobals(std::vector<uint8_t>* bytes);

    PdfObject globals_;
    std::vector<uint8_t> out_;
    size_t next_ = 0;
    int width_ = 0, height_ = 0;
    int messages_ = 0;
};

Stream* makeJbig2Decoder(Stream* below, const PdfDict* params);

}  // namespace qm
